#include "platform/paths.h"

namespace platform {

std::u16string_view FindFileName(std::u16string_view path) {
    return path.substr(path_rules::FileNameOffset(path));
}

std::u16string_view FindExtension(std::u16string_view path) {
    return path.substr(path_rules::ExtensionOffset(path));
}

}  // namespace platform
