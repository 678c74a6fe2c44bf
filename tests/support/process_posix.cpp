#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <stdexcept>

#include "platform/text.h"
#include "tests/support/process.h"
#include "tests/support/temp_dir.h"

namespace testing_support {

int ExitStatusMinusOne() {
    return 255;
}

void SendCtrlC() {
    raise(SIGINT);
}

bool RunningUnderWine() {
    return false;
}

ProcessResult RunProgram(const std::string& program, const std::vector<std::u16string>& args,
                         const RunOptions& options) {
    platform::File outRead, outWrite, errRead, errWrite;
    if (options.terminal) {
        // The terminal passes bytes as they are: no line ends are added.
        termios raw{};
        cfmakeraw(&raw);
        int master = -1, slave = -1;
        if (openpty(&master, &slave, nullptr, &raw, nullptr) != 0) throw std::runtime_error("pty");
        fcntl(master, F_SETFD, FD_CLOEXEC);
        fcntl(slave, F_SETFD, FD_CLOEXEC);
        outRead = platform::File::Adopt(master);
        outWrite = platform::File::Adopt(slave);
    } else if (!platform::File::CreatePipe(outRead, outWrite) ||
               !platform::File::CreatePipe(errRead, errWrite)) {
        throw std::runtime_error("pipe");
    }
    if (!options.outputTo.empty()) {
        outWrite = platform::File::Adopt(open(options.outputTo.c_str(), O_WRONLY | O_CLOEXEC));
    }
    platform::StartOptions start = StartOptionsFor(options);
    start.output = &outWrite;
    start.errors = options.terminal ? &outWrite : &errWrite;
    std::u16string path = ProgramPath(program);
    std::vector<std::u16string> arguments = args;
    if (options.maxOpenFiles || options.maxFileSize || options.maxMemory) {
        arguments.insert(arguments.begin(), {platform::ToDecimal(options.maxOpenFiles),
                                             platform::ToDecimal(options.maxFileSize),
                                             platform::ToDecimal(options.maxMemory), path});
        path = ProgramPath("run_limited");
    }
    std::optional<platform::Process> process = platform::Process::Start(path, arguments, start);
    outWrite.Close();
    errWrite.Close();
    if (!process) throw std::runtime_error("cannot start " + program);

    ProcessResult result;
    pollfd fds[2] = {{static_cast<int>(outRead.handle()), POLLIN, 0},
                     {static_cast<int>(errRead.handle()), POLLIN, 0}};
    std::string* sinks[2] = {&result.output, &result.errors};
    int open = 0;
    for (const pollfd& fd : fds) open += fd.fd >= 0 ? 1 : 0;
    const auto signalAt = std::chrono::steady_clock::now() + options.signalAfter;
    bool signalled = options.signal == 0;
    while (open > 0) {
        int timeout = -1;
        if (!signalled) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                signalAt - std::chrono::steady_clock::now());
            if (left.count() <= 0) {
                kill(static_cast<pid_t>(process->id()), options.signal);
                signalled = true;
            } else {
                timeout = static_cast<int>(left.count());
            }
        }
        if (poll(fds, 2, timeout) <= 0) continue;
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd < 0 || !(fds[i].revents & (POLLIN | POLLHUP | POLLERR))) continue;
            char buffer[65536];
            const ssize_t n = read(fds[i].fd, buffer, sizeof buffer);
            if (n > 0) {
                sinks[i]->append(buffer, static_cast<size_t>(n));
            } else {
                fds[i].fd = -1;
                --open;
            }
        }
    }
    result.exitCode = process->Wait();
    result.signal = process->signal();
    return result;
}

void RunningProgram::PrepareToInterrupt() {}

void RunningProgram::Interrupt() {
    kill(static_cast<pid_t>(m_process->id()), SIGINT);
}

void RunningProgram::Kill() {
    kill(static_cast<pid_t>(m_process->id()), SIGKILL);
}

ScopedTempFolder::ScopedTempFolder(const std::filesystem::path& folder) {
    const char* saved = std::getenv("TMPDIR");
    m_bHadValue = saved != nullptr;
    if (saved) m_strSaved = platform::FromThreadAnsi(saved);
    setenv("TMPDIR", folder.c_str(), 1);
}

ScopedTempFolder::~ScopedTempFolder() {
    if (m_bHadValue) {
        setenv("TMPDIR", platform::ToThreadAnsi(m_strSaved).c_str(), 1);
    } else {
        unsetenv("TMPDIR");
    }
}

}  // namespace testing_support
