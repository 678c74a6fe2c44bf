#include "platform/paths.h"

namespace platform {

const char16_t kPathSeparator = u'/';

std::u16string_view FindFileName(std::u16string_view path) {
    return path.substr(path_rules::FileNameOffset(path, path_rules::kPosix));
}

std::u16string_view FindExtension(std::u16string_view path) {
    return path.substr(path_rules::ExtensionOffset(path, path_rules::kPosix));
}

bool IsDeviceName(std::u16string_view) {
    return false;
}

}  // namespace platform
