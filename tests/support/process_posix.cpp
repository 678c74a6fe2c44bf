#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <stdexcept>

#include "platform/text.h"
#include "tests/support/process.h"
#include "tests/support/temp_dir.h"

extern char** environ;

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
    const auto& environment = options.environment;
    std::vector<std::string> argv{platform::ToThreadAnsi(ProgramPath(program))};
    for (const auto& arg : args) argv.push_back(platform::ToThreadAnsi(arg));
    std::vector<char*> argvPointers;
    for (auto& arg : argv) argvPointers.push_back(arg.data());
    argvPointers.push_back(nullptr);

    std::vector<std::string> env;
    for (char** e = environ; *e; ++e) {
        const std::string entry = *e;
        bool replaced = false;
        for (const auto& [name, value] : environment) replaced |= entry.rfind(name + "=", 0) == 0;
        if (!replaced) env.push_back(entry);
    }
    for (const auto& [name, value] : environment) env.push_back(name + "=" + value);
    std::vector<char*> envPointers;
    for (auto& entry : env) envPointers.push_back(entry.data());
    envPointers.push_back(nullptr);

    int out[2], err[2];
    if (options.terminal) {
        // The terminal passes bytes as they are: no line ends are added.
        termios raw{};
        cfmakeraw(&raw);
        if (openpty(&out[0], &out[1], nullptr, &raw, nullptr) != 0) throw std::runtime_error("pty");
        fcntl(out[0], F_SETFD, FD_CLOEXEC);
        fcntl(out[1], F_SETFD, FD_CLOEXEC);
        err[0] = -1;
        err[1] = dup(out[1]);
    } else if (pipe2(out, O_CLOEXEC) != 0 || pipe2(err, O_CLOEXEC) != 0) {
        throw std::runtime_error("pipe");
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_adddup2(&actions, err[1], 2);
    if (!options.outputTo.empty()) {
        posix_spawn_file_actions_addopen(&actions, 1, options.outputTo.c_str(), O_WRONLY, 0);
    }
    const std::string folder = platform::ToThreadAnsi(options.folder);
    if (!folder.empty()) posix_spawn_file_actions_addchdir_np(&actions, folder.c_str());
    // The child inherits the limit in force when it starts.
    rlimit saved{};
    getrlimit(RLIMIT_NOFILE, &saved);
    if (options.maxOpenFiles) {
        rlimit lowered = saved;
        lowered.rlim_cur = options.maxOpenFiles;
        setrlimit(RLIMIT_NOFILE, &lowered);
    }
    pid_t pid;
    const int spawned = posix_spawn(&pid, argvPointers[0], &actions, nullptr, argvPointers.data(),
                                    envPointers.data());
    if (options.maxOpenFiles) setrlimit(RLIMIT_NOFILE, &saved);
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);
    close(err[1]);
    if (spawned != 0)
        throw std::runtime_error("cannot start " + argv[0] + ": " + std::strerror(spawned));

    ProcessResult result;
    pollfd fds[2] = {{out[0], POLLIN, 0}, {err[0], POLLIN, 0}};
    std::string* sinks[2] = {&result.output, &result.errors};
    int open = options.terminal ? 1 : 2;
    const auto signalAt = std::chrono::steady_clock::now() + options.signalAfter;
    bool signalled = options.signal == 0;
    while (open > 0) {
        int timeout = -1;
        if (!signalled) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                signalAt - std::chrono::steady_clock::now());
            if (left.count() <= 0) {
                kill(pid, options.signal);
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
                close(fds[i].fd);
                fds[i].fd = -1;
                --open;
            }
        }
    }
    int status = 0;
    waitpid(pid, &status, 0);
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    result.signal = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
    return result;
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
