// What every console program of the toolkit does first, and what it asks of
// its surroundings.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// Catches requests to stop (see interrupt.h); on Linux also takes the
// locale's character set, lets a reader of the output that goes away
// (`program | head`) cost the texts only, not the work, and lets a file
// that reaches the size limit (`ulimit -f`) fail its write instead of
// ending the program. Returns the arguments after the program's name, as
// UTF-16. Each system defines the form its `main` receives.
std::vector<std::u16string> StartConsoleProgram(int argc, char** argv);
std::vector<std::u16string> StartConsoleProgram(int argc, wchar_t** argv);

// An environment variable's value, when it is set.
std::optional<std::u16string> EnvironmentVariable(std::u16string_view name);

// How many processors the program may use, at least 1.
unsigned ProcessorCount();

// Whether an argument is written as Windows' own programs write their
// switches ("/o", "/help"): a slash and letters only, naming nothing that
// exists. Never outside Windows, where such an argument is a path from the
// root.
bool IsWindowsSwitch(std::u16string_view argument);

}  // namespace platform
