// The words for what became of a skin, which vellum's log and mkkolo's
// reports share: each front end gives its own line ends (vellum "\r\n",
// mkkolo "\n") and shows the names in them as it must (platform/message.h).
#pragma once

#include <string_view>

#include "pipeline/pack_skin.h"
#include "platform/message.h"

namespace pipeline {

// "Packing [name] failed, reason: <reason>!", between two line ends.
platform::Message RefusedText(std::u16string_view name, const platform::Message& reason,
                              std::u16string_view lineEnd);

// The words for what became of the skin `name` after what the packer
// printed, each line ended with `lineEnd`; with `systemReasons`, the
// system's words for a failure where it gave some.
platform::Message OutcomeText(const SkinResult& result, std::u16string_view name,
                              std::u16string_view lineEnd, bool systemReasons = false);

}  // namespace pipeline
