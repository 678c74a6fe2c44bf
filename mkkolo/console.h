// Where mkkolo's texts go.
#pragma once

#include <optional>

#include "platform/message.h"
#include "platform/system_error.h"

namespace mkkolo {

using platform::Message;
using platform::Say;

class Console {
  public:
    virtual ~Console() = default;
    // The jobs' reports, and what -l, -t and -x find.
    virtual void Out(const Message& text) = 0;
    // The program's own complaints and the progress line.
    virtual void Err(const Message& text) = 0;
    // Whether a person watches the complaints' stream, who may like to see
    // how far the run has come.
    virtual bool ErrIsTerminal() const = 0;
    // Why the reports could not all be written, once one could not.
    virtual std::optional<platform::SystemError> OutFailure() const { return std::nullopt; }
};

// Standard output and standard error, in the terminal's encoding.
class StandardConsole final : public Console {
  public:
    void Out(const Message& text) override;
    void Err(const Message& text) override;
    bool ErrIsTerminal() const override;
    std::optional<platform::SystemError> OutFailure() const override { return m_outFailure; }

  private:
    std::optional<platform::SystemError> m_outFailure;
};

}  // namespace mkkolo
