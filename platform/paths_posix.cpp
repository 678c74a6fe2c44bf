#include "platform/paths.h"

namespace platform {

const char16_t kPathSeparator = u'/';

std::u16string_view FindFileName(std::u16string_view path) {
    return path.substr(path_rules::FileNameOffset(path));
}

// A slash is this system's separator: no extension reaches across it.
std::u16string_view FindExtension(std::u16string_view path) {
    const size_t dot = path_rules::ExtensionOffset(path);
    return path.find(u'/', dot) == std::u16string_view::npos ? path.substr(dot)
                                                             : path.substr(path.size());
}

}  // namespace platform
