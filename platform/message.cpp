#include "platform/message.h"

#include "platform/text.h"

namespace platform {

Message Message::Name(std::u16string_view name) {
    Message message;
    message.Append(name, true);
    return message;
}

void Message::Append(std::u16string_view text, bool isName) {
    if (text.empty()) return;
    if (!m_parts.empty() && m_parts.back().isName == isName) {
        m_parts.back().text += text;
    } else {
        m_parts.push_back({std::u16string(text), isName});
    }
}

Message& Message::operator+=(const Message& other) {
    other.ForEachPart([&](std::u16string_view text, bool isName) { Append(text, isName); });
    return *this;
}

std::u16string Message::Plain() const {
    std::u16string plain;
    ForEachPart([&](std::u16string_view text, bool) { plain += text; });
    return plain;
}

std::u16string Message::ForTerminal() const {
    std::u16string shown;
    ForEachPart([&](std::u16string_view text, bool isName) {
        shown += isName ? ShowControls(text) : std::u16string(text);
    });
    return shown;
}

Message Say(std::u16string_view before, std::u16string_view name, std::u16string_view after) {
    return Message(before) + Message::Name(name) + Message(after);
}

}  // namespace platform
