#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstring>
#include <vector>

#include "platform/process.h"
#include "platform/text.h"

extern char** environ;

namespace platform {
namespace {

// The environment with the given variables set or replaced.
std::vector<std::string> Environment(
    const std::vector<std::pair<std::u16string, std::u16string>>& changes) {
    std::vector<std::string> entries;
    for (char** entry = environ; *entry; ++entry) {
        bool replaced = false;
        for (const auto& [name, value] : changes) {
            const std::string prefix = ToThreadAnsi(name) + "=";
            replaced |= std::strncmp(*entry, prefix.c_str(), prefix.size()) == 0;
        }
        if (!replaced) entries.emplace_back(*entry);
    }
    for (const auto& [name, value] : changes) entries.push_back(ToThreadAnsi(name + u"=" + value));
    return entries;
}

std::vector<char*> Pointers(std::vector<std::string>& strings) {
    std::vector<char*> pointers;
    for (std::string& s : strings) pointers.push_back(s.data());
    pointers.push_back(nullptr);
    return pointers;
}

}  // namespace

std::u16string ProgramFolder() {
    char self[PATH_MAX];
    const ssize_t length = readlink("/proc/self/exe", self, sizeof self - 1);
    if (length <= 0) return {};
    std::string folder(self, static_cast<size_t>(length));
    return FromThreadAnsi(folder.substr(0, folder.rfind('/') + 1));
}

std::u16string ProgramFileName(std::u16string_view name) {
    return std::u16string(name);
}

std::optional<Process> Process::Start(std::u16string_view program,
                                      const std::vector<std::u16string>& args,
                                      const StartOptions& options) {
    std::string path = ToThreadAnsi(program);
    if (path.find('/') == std::string::npos) {
        const std::string beside = ToThreadAnsi(ProgramFolder()) + path;
        if (access(beside.c_str(), X_OK) == 0) path = beside;
    }
    std::vector<std::string> argv{path};
    for (const std::u16string& arg : args) argv.push_back(ToThreadAnsi(arg));
    std::vector<std::string> env = Environment(options.environment);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (options.output) {
        posix_spawn_file_actions_adddup2(&actions, static_cast<int>(options.output->handle()),
                                         STDOUT_FILENO);
    }
    if (options.errors) {
        posix_spawn_file_actions_adddup2(&actions, static_cast<int>(options.errors->handle()),
                                         STDERR_FILENO);
    }
    const std::string folder = ToThreadAnsi(options.folder);
    if (!folder.empty()) posix_spawn_file_actions_addchdir_np(&actions, folder.c_str());
    pid_t child = 0;
    const int spawned = posix_spawnp(&child, path.c_str(), &actions, nullptr, Pointers(argv).data(),
                                     Pointers(env).data());
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) return std::nullopt;
    return Process(child, 0);
}

Process::~Process() = default;

int Process::Wait() {
    int status = 0;
    while (waitpid(static_cast<pid_t>(m_id), &status, 0) < 0 && errno == EINTR) {
    }
    m_signal = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

}  // namespace platform
