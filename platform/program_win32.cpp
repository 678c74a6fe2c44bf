#include <algorithm>
#include <cstdlib>

#include "platform/files.h"
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

bool IsWindowsSwitch(std::u16string_view argument) {
    const auto isLetter = [](char16_t c) {
        return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
    };
    return argument.size() > 1 && argument[0] == u'/' &&
           std::all_of(argument.begin() + 1, argument.end(), isLetter) &&
           KindOfPath(argument) == PathKind::kMissing;
}

}  // namespace platform
