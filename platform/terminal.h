// Text for a person on the program's standard output and standard error.
#pragma once

#include <string_view>

#include "platform/message.h"

namespace platform {

enum class StandardStream { kOutput, kError };

// Whether the stream goes to a terminal (on Windows, a console window)
// rather than into a file or a pipe.
bool IsTerminal(StandardStream stream);

// Writes the text, line ends included: to a terminal with the control
// characters of its names shown (Message::ForTerminal), elsewhere as it is.
// On Windows a console gets it as UTF-16, so every character shows whatever
// the code pages; a file or a pipe gets UTF-8. Elsewhere it leaves in the
// locale's character set. False when it could not all be written; the
// system's error (LastSystemError) then says why.
bool WriteText(StandardStream stream, const Message& text);

// Writes a document that its format makes UTF-8 (JSON) as it is, whatever
// the locale; a Windows console gets it as UTF-16, as WriteText writes.
// False as for WriteText.
bool WriteUtf8(StandardStream stream, std::string_view text);

}  // namespace platform
