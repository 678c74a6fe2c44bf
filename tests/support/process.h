#pragma once

#include <string>
#include <utility>
#include <vector>

namespace testing_support {

struct ProcessResult {
    int exitCode = -1000;  // as the system reports it; -1 from Windows is 255 on Linux
    std::string output;    // standard output, bytes as written
    std::string errors;    // standard error
};

struct RunOptions {
    std::vector<std::pair<std::string, std::string>> environment;  // set or replaced
    std::u16string folder;                                         // current folder, if not empty
};

// Runs a program of the build (found beside the test program) with the
// given arguments and waits for it.
ProcessResult RunProgram(const std::string& program, const std::vector<std::u16string>& args,
                         const RunOptions& options = {});

// The full path of a program built into the same folder as the test.
std::u16string ProgramPath(const std::string& program);

// The exit status -1 as a parent process sees it.
int ExitStatusMinusOne();

}  // namespace testing_support
