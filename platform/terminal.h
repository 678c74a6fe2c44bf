// Text for a person on the program's standard output and standard error.
#pragma once

#include <string_view>

namespace platform {

enum class StandardStream { kOutput, kError };

// Whether the stream goes to a terminal (on Windows, a console window)
// rather than into a file or a pipe.
bool IsTerminal(StandardStream stream);

// Writes the text as it is, line ends included. On Windows a console gets it
// as UTF-16, so every character shows whatever the code pages; a file or a
// pipe gets UTF-8. Elsewhere it leaves in the locale's character set.
// False when it could not all be written.
bool WriteText(StandardStream stream, std::u16string_view text);

}  // namespace platform
