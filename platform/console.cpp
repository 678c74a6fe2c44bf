#include "platform/console.h"

#include "platform/terminal.h"

namespace platform {

void StandardConsole::Out(const Message& text) {
    if (!WriteText(StandardStream::kOutput, text) && !m_outFailure)
        m_outFailure = LastSystemError();
}

void StandardConsole::Err(const Message& text) {
    WriteText(StandardStream::kError, text);
}

bool StandardConsole::ErrIsTerminal() const {
    return IsTerminal(StandardStream::kError);
}

}  // namespace platform
