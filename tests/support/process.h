#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/process.h"

namespace testing_support {

struct ProcessResult {
    int exitCode = -1000;  // as the system reports it; -1 from Windows is 255 on Linux
    int signal = 0;        // outside Windows: the signal that ended the program, if one did
    std::string output;    // standard output, bytes as written
    std::string errors;    // standard error
};

struct RunOptions {
    std::vector<std::pair<std::string, std::string>> environment;  // set or replaced
    std::u16string folder;                                         // current folder, if not empty
    // Outside Windows: a signal sent to the program this long after its
    // start, unless it has ended by then.
    int signal = 0;
    std::chrono::microseconds signalAfter{};
    // Outside Windows: how many files the program may hold open, how large
    // a file it may write, and how much memory it may map, in bytes (0: as
    // much as this one).
    unsigned maxOpenFiles = 0;
    std::uint64_t maxFileSize = 0;
    std::uint64_t maxMemory = 0;
    // Outside Windows: standard output into this file (a device such as
    // /dev/full) instead of a pipe.
    std::string outputTo;
    // Standard output and standard error on a terminal, both read into
    // `output`: outside Windows a pseudo-terminal of their own (raw), its
    // bytes as written; on Windows the test's console, what its screen shows
    // (each row without the blanks at its end, rows joined by "\n", UTF-8).
    bool terminal = false;
};

// Runs a program of the build (found beside the test program) with the
// given arguments and waits for it.
ProcessResult RunProgram(const std::string& program, const std::vector<std::u16string>& args,
                         const RunOptions& options = {});

// A program of the build that runs on while the test goes on: what it
// writes to standard output and standard error is read as it comes, so the
// test can wait for a text, change what the program looks at, and ask it to
// stop. It starts with `options.environment` and `options.folder`.
class RunningProgram {
  public:
    RunningProgram(const std::string& program, const std::vector<std::u16string>& args,
                   const RunOptions& options = {});
    // A program not waited for (the test failed half way) is ended at once.
    ~RunningProgram();
    RunningProgram(const RunningProgram&) = delete;
    RunningProgram& operator=(const RunningProgram&) = delete;

    // Waits until standard output holds `text` at least `count` times; false
    // when the program ends, or `limit` passes, before it does.
    bool WaitForOutput(std::string_view text, std::size_t count,
                       std::chrono::seconds limit = std::chrono::seconds(120));
    // What it wrote so far.
    std::string output() const;
    std::string errors() const;

    // Asks the program to stop as Ctrl+C does: SIGINT on Linux; on Windows
    // a Ctrl+C event on the console that the program shares with this one,
    // which this one lets pass.
    void Interrupt();
    // Waits for the program to end, and for all it wrote.
    ProcessResult Wait();

  private:
    struct Streams;
    // Gives the program what it needs to be stopped by Interrupt().
    static void PrepareToInterrupt();
    void Kill();

    std::unique_ptr<Streams> m_streams;
    std::optional<platform::Process> m_process;
};

// What RunProgram starts a program with besides its streams.
platform::StartOptions StartOptionsFor(const RunOptions& options);

// The full path of a program built into the same folder as the test.
std::u16string ProgramPath(const std::string& program);

// The exit status -1 as a parent process sees it.
int ExitStatusMinusOne();

// Sends this program the request to stop that Ctrl+C sends: SIGINT on Linux;
// on Windows a Ctrl+C event through a console of its own, which no other
// program shares (Wine delivers the event only to a program with a console).
// For a program that catches it, or a child that may end of it.
void SendCtrlC();

// Whether the program runs under Wine rather than Windows itself.
bool RunningUnderWine();

}  // namespace testing_support
