// mkkolo's words for what the checks of a skin's files found
// (pipeline/skin_checks.h), and for a skin that --strict fails on a warning.
#pragma once

#include <string_view>

#include "pipeline/skin_checks.h"
#include "platform/message.h"

namespace mkkolo {

// A warning about a file of the skin `skin`, a line of its own.
platform::Message FaultText(std::u16string_view skin, const pipeline::FileFault& fault);

// The report of a skin that --strict fails because it had a warning.
platform::Message StrictRefusal(std::u16string_view skin);

}  // namespace mkkolo
