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

// Draws `line` as a status line on the stream's terminal, over the one drawn
// before on the cursor's row, cut to the terminal's width so that it never
// wraps (its names' control characters shown, as WriteText shows them); an
// empty line erases it, the cursor at the start of the row for the next
// line. Nothing where the stream is no terminal. On Windows through the
// console's own functions (the row's cells filled, the cursor moved), else
// with a carriage return and the terminal's erase-to-the-end-of-the-line.
void ShowStatusLine(StandardStream stream, const Message& line);

// Writes a document that its format makes UTF-8 (JSON) as it is, whatever
// the locale; a Windows console gets it as UTF-16, as WriteText writes.
// False as for WriteText.
bool WriteUtf8(StandardStream stream, std::string_view text);

}  // namespace platform
