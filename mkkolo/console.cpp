#include "mkkolo/console.h"

#include "platform/terminal.h"

namespace mkkolo {

// A reader that went away (a closed pipe) costs the texts, not the packages:
// write failures are not acted on.
void StandardConsole::Out(std::u16string_view text) {
    platform::WriteText(platform::StandardStream::kOutput, text);
}
void StandardConsole::Err(std::u16string_view text) {
    platform::WriteText(platform::StandardStream::kError, text);
}
bool StandardConsole::ErrIsTerminal() const {
    return platform::IsTerminal(platform::StandardStream::kError);
}

}  // namespace mkkolo
