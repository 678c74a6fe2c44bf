#include "app/mbm.h"

#include "platform/files.h"
#include "platform/paths.h"

namespace vellum {

std::u16string PrepareMbmFile(std::u16string_view mbmPath) {
    constexpr char kPxaMark = 0x73;
    const std::u16string target =
        platform::RemoveExtension(platform::TempFolder() +
                                  std::u16string(platform::FindFileName(mbmPath))) +
        u".pxa";
    if (!platform::CopyFileReplacing(mbmPath, target)) return {};
    // The copy inherits a read-only source's attribute; it is ours to mark.
    platform::MakeWritable(target);
    platform::File copy = platform::File::OpenForUpdate(target);
    if (!copy.IsOpen()) return {};
    const bool marked = copy.Write(&kPxaMark, 1) == platform::IoResult::kOk;
    return copy.Close() && marked ? target : std::u16string();
}

}  // namespace vellum
