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

std::u16string Say(std::u16string_view before, std::u16string_view what,
                   std::u16string_view after) {
    return std::u16string(before) + std::u16string(what) + std::u16string(after);
}

}  // namespace mkkolo
