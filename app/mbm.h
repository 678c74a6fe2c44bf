// Turning a Symbian multi-bitmap (.mbm) image bundle into the .pxa the
// player reads: a copy in the temporary folder, named after the skin with
// ".pxa", whose first byte is 's' (0x73). The source is never changed.
#pragma once

#include <string>
#include <string_view>

namespace vellum {

// The full path of the prepared copy, or an empty string when it could not
// be made and marked.
std::u16string PrepareMbmFile(std::u16string_view mbmPath);

}  // namespace vellum
