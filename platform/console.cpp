#include "platform/console.h"

#include "platform/terminal.h"
#include "platform/text.h"

namespace platform {

void Console::OutUtf8(std::string_view text) {
    Out(Utf8ToUtf16(text));
}

void StandardConsole::KeepOutFailure(bool written) {
    if (!written && !m_outFailure) m_outFailure = LastSystemError();
}

void StandardConsole::Out(const Message& text) {
    KeepOutFailure(WriteText(StandardStream::kOutput, text));
}

void StandardConsole::OutUtf8(std::string_view text) {
    KeepOutFailure(WriteUtf8(StandardStream::kOutput, text));
}

void StandardConsole::Err(const Message& text) {
    WriteText(StandardStream::kError, text);
}

bool StandardConsole::ErrIsTerminal() const {
    return IsTerminal(StandardStream::kError);
}

void StandardConsole::ErrStatus(const Message& line) {
    ShowStatusLine(StandardStream::kError, line);
}

}  // namespace platform
