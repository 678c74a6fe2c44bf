#include "mkkolo/console.h"

#include "platform/terminal.h"

namespace mkkolo {

// The first failure is kept for those to whom the texts are the result; a
// pack run goes on without them.
void StandardConsole::Out(const Message& text) {
    if (!platform::WriteText(platform::StandardStream::kOutput, text) && !m_outFailure) {
        m_outFailure = platform::LastSystemError();
    }
}
void StandardConsole::Err(const Message& text) {
    platform::WriteText(platform::StandardStream::kError, text);
}
bool StandardConsole::ErrIsTerminal() const {
    return platform::IsTerminal(platform::StandardStream::kError);
}

}  // namespace mkkolo
