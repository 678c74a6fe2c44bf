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

void StdoutConsole::Text(std::u16string_view text) {
    Put(platform::ToConsoleFixedText(text));
}
void StdoutConsole::Path(std::u16string_view path) {
    Put(platform::ToThreadAnsi(m_bTerminal ? platform::ShowControls(path) : std::u16string(path)));
}

}  // namespace quill
