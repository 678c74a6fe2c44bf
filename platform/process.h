// Starting programs: a program and its arguments, each handed over as it is,
// and what it prints collected. Only the Windows implementation turns the
// arguments into a command line.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/files.h"

namespace platform {

// How this system names the file of a program: "quill.exe" on Windows,
// "quill" elsewhere.
std::u16string ProgramFileName(std::u16string_view name);

// The folder of the running program, ending in a separator.
std::u16string ProgramFolder();

struct StartOptions {
    // Variables set or replaced in the program's environment, which is
    // otherwise this program's.
    std::vector<std::pair<std::u16string, std::u16string>> environment;
    std::u16string folder;  // its current folder; this program's when empty
    bool hidden = false;    // on Windows: its window is not shown
    // Where its standard output and standard error go (a pipe's write end,
    // a file, a terminal); this program's own when not given. The program
    // gets copies: the caller keeps and closes its own.
    const File* output = nullptr;
    const File* errors = nullptr;
};

class Process {
  public:
    // Starts `program` with `args`. A program named without a folder is
    // looked for beside the running program first, then where the system
    // looks for programs. Nothing when it cannot be started.
    static std::optional<Process> Start(std::u16string_view program,
                                        const std::vector<std::u16string>& args,
                                        const StartOptions& options = {});

    Process(Process&& other) noexcept;
    Process& operator=(Process&& other) noexcept;
    Process(const Process&) = delete;
    Process& operator=(const Process&) = delete;
    // A program not waited for runs on.
    ~Process();

    // Waits for the program to end and returns its exit status; a program
    // ended by a signal counts as 128 and the signal's number, as shells
    // count it.
    int Wait();
    // Outside Windows, once Wait() returned: the signal that ended the
    // program, or 0.
    int signal() const { return m_signal; }
    // The system's number for the program (its process id).
    std::intptr_t id() const { return m_id; }

  private:
    Process(std::intptr_t id, std::intptr_t handle) : m_id(id), m_handle(handle) {}

    std::intptr_t m_id = 0;
    std::intptr_t m_handle = 0;  // on Windows the process handle
    int m_signal = 0;
};

struct ProgramOutput {
    std::string bytes;  // standard output and standard error, as printed
    int exitStatus = 0;
};

// Runs a program hidden with its standard output and standard error joined
// into one pipe, read while it runs and until it ends. Nothing when it could
// not be started (or no pipe could be made).
std::optional<ProgramOutput> RunCollectingOutput(std::u16string_view program,
                                                 const std::vector<std::u16string>& args);

}  // namespace platform
