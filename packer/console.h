// quill's standard output. Into a file or a pipe, the fixed words leave as
// the console's fixed-text bytes and paths in the thread's ANSI code page
// (see platform/text.h), through the C runtime's text stream, so that on
// Windows each line feed leaves as carriage return and line feed. On a
// terminal the text goes as platform::WriteText writes it (on Windows UTF-16
// to the console, whatever its code page and the C runtime's locale would
// make of bytes), a path's control characters shown as \xNN.
#pragma once

#include "platform/console.h"

namespace quill {

class StdoutConsole final : public platform::Console {
  public:
    StdoutConsole();
    void Out(const platform::Message& text) override;
    // quill says everything on standard output.
    void Err(const platform::Message& text) override { Out(text); }
    bool ErrIsTerminal() const override { return m_bTerminal; }

  private:
    const bool m_bTerminal;
};

}  // namespace quill
