// Where a console program's texts go: its results to standard output, its
// complaints to standard error (see platform/message.h for how names in them
// are shown).
#pragma once

#include <optional>
#include <string_view>

#include "platform/message.h"
#include "platform/system_error.h"

namespace platform {

class Console {
  public:
    virtual ~Console() = default;
    // What the program was asked for: reports, listings, verdicts.
    virtual void Out(const Message& text) = 0;
    // A result in a format that is UTF-8 whatever the locale (JSON), which
    // holds no names to mark: by default as Out's words.
    virtual void OutUtf8(std::string_view text);
    // The program's own complaints and a progress line.
    virtual void Err(const Message& text) = 0;
    // Whether a person watches the complaints' stream, who may like to see
    // how far a run has come.
    virtual bool ErrIsTerminal() const = 0;
    // A status line on the complaints' stream where it is a terminal, drawn
    // over the one before; an empty one erases it. By default nothing.
    virtual void ErrStatus(const Message& /*line*/) {}
    // Why the results could not all be written, once one could not.
    virtual std::optional<SystemError> OutFailure() const { return std::nullopt; }
};

// Standard output and standard error, as WriteText writes them
// (platform/terminal.h). A write that fails is kept for OutFailure; the
// program goes on.
class StandardConsole final : public Console {
  public:
    void Out(const Message& text) override;
    void OutUtf8(std::string_view text) override;
    void Err(const Message& text) override;
    bool ErrIsTerminal() const override;
    void ErrStatus(const Message& line) override;
    std::optional<SystemError> OutFailure() const override { return m_outFailure; }

  private:
    void KeepOutFailure(bool written);

    std::optional<SystemError> m_outFailure;
};

}  // namespace platform
