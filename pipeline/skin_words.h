// The words for what became of a skin (pipeline/verdict.h), which vellum's
// log and mkkolo's texts share: each front end gives its own line ends
// (vellum "\r\n", mkkolo "\n") and shows the names in them as it must
// (platform/message.h). They word the verdict and decide nothing.
#pragma once

#include <string_view>

#include "pipeline/fault.h"
#include "pipeline/verdict.h"
#include "platform/message.h"

namespace pipeline {

struct Wording {
    std::u16string_view lineEnd = u"\n";
    // The system's words for a failure, where it gave some.
    bool systemReasons = false;
    // A skin made with warnings says so on its own success line, where the
    // log of the dialog application keeps the line it always had.
    bool markWarnings = false;
};

// A warning about a file of the skin `skin`, one line.
platform::Message WarningText(std::u16string_view skin, const Fault& warning,
                              std::u16string_view lineEnd);

// The lines of the fault that kept the skin from being made: the refusal or
// the failure as the dialog application logs it, and for a skin that lacks
// a file, a line after it that says what it has, what it lacks and what
// would complete it.
platform::Message FailureText(const SkinVerdict& verdict, const Fault& failure,
                              const Wording& wording);

// What a packer in this process said: the inputs it left out, and with
// `summary` its summary; for a packer that failed, quill's words why.
platform::Message PackerWords(const SkinVerdict& verdict, bool summary,
                              std::u16string_view lineEnd);

// The skin's whole report: what the packer said, the verdict's lines (the
// success line and path, the line of a dry run, or the failure's lines),
// then each warning on a line of its own.
platform::Message VerdictText(const SkinVerdict& verdict, const Wording& wording);

}  // namespace pipeline
