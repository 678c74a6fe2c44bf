// Where the packer's texts go. Its own fixed words and the paths or names a
// user gave are told apart, because they may leave in different encodings.
#pragma once

#include <string>
#include <string_view>

namespace quill {

class ConsoleWriter {
  public:
    virtual ~ConsoleWriter() = default;
    // Words of the program's own.
    virtual void Text(std::u16string_view text) = 0;
    // A path or name that came from the user.
    virtual void Path(std::u16string_view path) = 0;
};

// Standard output: the fixed words as the console's fixed-text bytes, paths in
// the thread's ANSI code page (see platform/text.h).
class StdoutConsole final : public ConsoleWriter {
  public:
    void Text(std::u16string_view text) override;
    void Path(std::u16string_view path) override;
};

// Keeps everything as one UTF-16 text.
class CapturingConsole final : public ConsoleWriter {
  public:
    void Text(std::u16string_view text) override { m_strText += text; }
    void Path(std::u16string_view path) override { m_strText += path; }
    const std::u16string& text() const { return m_strText; }

  private:
    std::u16string m_strText;
};

}  // namespace quill
