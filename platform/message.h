// Text for a person in which the names that came from elsewhere (paths,
// skin names, a package's entry names, a user's arguments) are told apart
// from the program's own words. A terminal shows a name's control
// characters as \xNN, so a file named with an escape sequence can neither
// drive the terminal nor forge a line; a file or a pipe gets every
// character as it is.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace platform {

class Message {
  public:
    Message() = default;
    // The program's own words.
    Message(std::u16string_view words) { Append(words, false); }
    Message(const std::u16string& words) { Append(words, false); }
    Message(const char16_t* words) { Append(words, false); }

    // A name from elsewhere.
    static Message Name(std::u16string_view name);

    Message& operator+=(const Message& other);
    friend Message operator+(Message a, const Message& b) { return a += b; }

    bool empty() const { return m_parts.empty(); }
    // Every character as it is.
    std::u16string Plain() const;
    // The names with their control characters shown (see ShowControls).
    std::u16string ForTerminal() const;

    // Calls visit(text, isName) for each part, in order.
    template <typename Visit>
    void ForEachPart(Visit&& visit) const {
        for (const Part& part : m_parts) visit(std::u16string_view(part.text), part.isName);
    }

  private:
    struct Part {
        std::u16string text;
        bool isName;
    };
    void Append(std::u16string_view text, bool isName);

    std::vector<Part> m_parts;
};

// "<before><name><after>": words about a path or a value.
Message Say(std::u16string_view before, std::u16string_view name, std::u16string_view after);

}  // namespace platform
