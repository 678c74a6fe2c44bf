// Starting programs and collecting what they print.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace platform {

// How this system names the file of a program: "quill.exe" on Windows,
// "quill" elsewhere.
std::u16string ProgramFileName(std::u16string_view name);

// The folder of the running program, ending in a separator.
std::u16string ProgramFolder();

struct ProgramOutput {
    std::string bytes;  // standard output and standard error, as printed
    // The exit status; a program ended by a signal counts as 128 and the
    // signal's number, as shells count it.
    int exitStatus = 0;
};

// Starts a program hidden from a command line in the Windows form: the
// program, a blank, then the arguments, each in double quotes where it holds
// blanks. Its standard output and standard error are joined into one pipe,
// read until the program ends. A program named without a folder is looked
// for beside the running program first. Returns what it printed and how it
// ended, or nothing when it could not be started (or no pipe could be made).
std::optional<ProgramOutput> RunCollectingOutput(std::u16string_view commandLine);

}  // namespace platform
