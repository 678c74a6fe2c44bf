#include "packer/console.h"

#include <cstdio>

#include "platform/terminal.h"
#include "platform/text.h"

namespace quill {
namespace {

// Standard output stays a text stream: on Windows each line feed leaves as
// carriage return and line feed.
void Put(const std::string& bytes) {
    std::fwrite(bytes.data(), 1, bytes.size(), stdout);
}

}  // namespace

StdoutConsole::StdoutConsole()
    : m_bTerminal(platform::IsTerminal(platform::StandardStream::kOutput)) {}

// A terminal gets the text as the terminal writer makes it (a Windows console
// UTF-16, whatever its code page and the C runtime's locale would make of
// bytes); a file or a pipe gets the bytes the packing tool reads.
void StdoutConsole::Text(std::u16string_view text) {
    if (m_bTerminal) {
        platform::WriteText(platform::StandardStream::kOutput, text);
    } else {
        Put(platform::ToConsoleFixedText(text));
    }
}
void StdoutConsole::Path(std::u16string_view path) {
    if (m_bTerminal) {
        platform::WriteText(platform::StandardStream::kOutput, platform::Message::Name(path));
    } else {
        Put(platform::ToThreadAnsi(path));
    }
}

}  // namespace quill
