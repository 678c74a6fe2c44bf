// Where the packer's texts go. Its own fixed words and the paths or names a
// user gave are told apart, because they may leave in different encodings.
#pragma once

#include <string>
#include <string_view>

#include "platform/message.h"

namespace quill {

class ConsoleWriter {
  public:
    virtual ~ConsoleWriter() = default;
    // Words of the program's own.
    virtual void Text(std::u16string_view text) = 0;
    // A path or name that came from the user.
    virtual void Path(std::u16string_view path) = 0;
};

// Standard output. Into a file or a pipe: the fixed words as the console's
// fixed-text bytes, paths in the thread's ANSI code page (see
// platform/text.h). On a terminal: as platform::WriteText writes it (on
// Windows UTF-16 to the console), a path's control characters shown as \xNN
// (see platform/message.h).
class StdoutConsole final : public ConsoleWriter {
  public:
    StdoutConsole();
    void Text(std::u16string_view text) override;
    void Path(std::u16string_view path) override;

  private:
    const bool m_bTerminal;
};

// Keeps everything as one UTF-16 text, the paths told apart.
class CapturingConsole final : public ConsoleWriter {
  public:
    void Text(std::u16string_view text) override { m_text += text; }
    void Path(std::u16string_view path) override { m_text += platform::Message::Name(path); }
    const platform::Message& message() const { return m_text; }
    std::u16string text() const { return m_text.Plain(); }

  private:
    platform::Message m_text;
};

}  // namespace quill
