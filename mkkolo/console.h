// Where mkkolo's texts go.
#pragma once

#include <string>
#include <string_view>

namespace mkkolo {

class Console {
  public:
    virtual ~Console() = default;
    // The jobs' reports.
    virtual void Out(std::u16string_view text) = 0;
    // The program's own complaints and the progress line.
    virtual void Err(std::u16string_view text) = 0;
    // Whether a person watches the complaints' stream, who may like to see
    // how far the run has come.
    virtual bool ErrIsTerminal() const = 0;
};

// Standard output and standard error, in the terminal's encoding.
class StandardConsole final : public Console {
  public:
    void Out(std::u16string_view text) override;
    void Err(std::u16string_view text) override;
    bool ErrIsTerminal() const override;
};

// "<before><what><after>": a text about a path or a value.
std::u16string Say(std::u16string_view before, std::u16string_view what, std::u16string_view after);

}  // namespace mkkolo
