#include <clocale>
#include <csignal>
#include <cstdlib>

#include "platform/interrupt.h"
#include "platform/program.h"
#include "platform/text.h"

namespace platform {

std::vector<std::u16string> StartConsoleProgram(int argc, char** argv) {
    CatchInterrupts();
    std::setlocale(LC_ALL, "");
    // Write failures on a closed pipe are then errors the program sees,
    // not a signal that ends it half way.
    std::signal(SIGPIPE, SIG_IGN);
    // Likewise a file that reaches the size limit: the write fails (EFBIG)
    // and the file it was for is removed, as after any failed write.
    std::signal(SIGXFSZ, SIG_IGN);
    std::vector<std::u16string> args;
    for (int i = 1; i < argc; ++i) args.push_back(FromThreadAnsi(argv[i]));
    return args;
}

std::optional<std::u16string> EnvironmentVariable(std::u16string_view name) {
    const char* value = std::getenv(ToThreadAnsi(name).c_str());
    if (!value) return std::nullopt;
    return FromThreadAnsi(value);
}

bool IsWindowsSwitch(std::u16string_view /*argument*/) {
    return false;
}

}  // namespace platform
