#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <vector>

#include "platform/process.h"
#include "platform/text.h"

extern char** environ;

namespace platform {
namespace {

// Splits a command line the way the Windows C runtime does: blanks separate
// arguments outside double quotes; backslashes are literal unless they stand
// before a double quote.
std::vector<std::string> SplitCommandLine(std::u16string_view commandLine) {
    std::vector<std::string> args;
    std::u16string current;
    bool inArgument = false, quoted = false;
    for (size_t i = 0; i < commandLine.size(); ++i) {
        const char16_t c = commandLine[i];
        if (c == u'\\') {
            size_t backslashes = 0;
            while (i < commandLine.size() && commandLine[i] == u'\\') ++backslashes, ++i;
            if (i < commandLine.size() && commandLine[i] == u'"') {
                current.append(backslashes / 2, u'\\');
                if (backslashes % 2) {
                    current += u'"';
                } else {
                    quoted = !quoted;
                }
            } else {
                current.append(backslashes, u'\\');
                --i;
            }
            inArgument = true;
        } else if (c == u'"') {
            quoted = !quoted;
            inArgument = true;
        } else if ((c == u' ' || c == u'\t') && !quoted) {
            if (inArgument) args.push_back(ToThreadAnsi(current));
            current.clear();
            inArgument = false;
        } else {
            current += c;
            inArgument = true;
        }
    }
    if (inArgument) args.push_back(ToThreadAnsi(current));
    return args;
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

std::optional<ProgramOutput> RunCollectingOutput(std::u16string_view commandLine) {
    std::vector<std::string> args = SplitCommandLine(commandLine);
    if (args.empty()) return std::nullopt;
    // A bare program name is looked for beside this program first.
    std::string program = args[0];
    if (program.find('/') == std::string::npos) {
        const std::string beside = ToThreadAnsi(ProgramFolder()) + program;
        if (access(beside.c_str(), X_OK) == 0) program = beside;
    }
    std::vector<char*> argv;
    for (auto& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);

    int pipeEnds[2];
    if (pipe2(pipeEnds, O_CLOEXEC) != 0) return std::nullopt;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], STDERR_FILENO);
    pid_t child;
    const int spawned =
        posix_spawnp(&child, program.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(pipeEnds[1]);
    if (spawned != 0) {
        close(pipeEnds[0]);
        return std::nullopt;
    }
    ProgramOutput output;
    char buffer[8096];
    for (;;) {
        const ssize_t n = read(pipeEnds[0], buffer, sizeof buffer);
        if (n > 0) {
            output.bytes.append(buffer, static_cast<size_t>(n));
        } else if (n == 0 || errno != EINTR) {
            break;
        }
    }
    close(pipeEnds[0]);
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    output.exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return output;
}

}  // namespace platform
