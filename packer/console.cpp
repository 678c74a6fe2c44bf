#include "packer/console.h"

#include <cstdio>

#include "platform/terminal.h"
#include "platform/text.h"

namespace quill {

StdoutConsole::StdoutConsole()
    : m_bTerminal(platform::IsTerminal(platform::StandardStream::kOutput)) {}

void StdoutConsole::Out(const platform::Message& text) {
    if (m_bTerminal) {
        platform::WriteText(platform::StandardStream::kOutput, text);
        return;
    }
    text.ForEachPart([](std::u16string_view part, bool isName) {
        const std::string bytes =
            isName ? platform::ToThreadAnsi(part) : platform::ToConsoleFixedText(part);
        std::fwrite(bytes.data(), 1, bytes.size(), stdout);
    });
}

}  // namespace quill
