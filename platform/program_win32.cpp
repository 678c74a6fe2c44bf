#include <cstdlib>

#include "platform/interrupt.h"
#include "platform/program.h"
#include "platform/wide.h"

namespace platform {

std::vector<std::u16string> StartConsoleProgram(int argc, wchar_t** argv) {
    CatchInterrupts();
    std::vector<std::u16string> args;
    for (int i = 1; i < argc; ++i) args.push_back(FromWide(argv[i]));
    return args;
}

std::optional<std::u16string> EnvironmentVariable(std::u16string_view name) {
    const wchar_t* value = _wgetenv(Wide(name).c_str());
    if (!value) return std::nullopt;
    return FromWide(value);
}

}  // namespace platform
