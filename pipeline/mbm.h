// Turning a Symbian multi-bitmap (.mbm) image bundle into the .pxa the
// player reads: a copy named after the skin with ".pxa", whose first byte is
// 's' (0x73). The source is never changed.
#pragma once

#include <string>
#include <string_view>

#include "pipeline/skin_checks.h"
#include "platform/system_error.h"

namespace pipeline {

// Makes the copy in `folder` (ending in a separator), replacing an older
// one of that name. Returns its full path, or an empty string when it could
// not be made (also when no folder is given); `error` then tells the
// system's reason, where it gave one. `check`, when given, is fed the
// source's bytes as they are copied.
std::u16string PrepareMbmFile(std::u16string_view mbmPath, std::u16string_view folder,
                              platform::SystemError* error = nullptr, FileCheck* check = nullptr);

}  // namespace pipeline
