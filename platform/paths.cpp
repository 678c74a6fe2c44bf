#include "platform/paths.h"

namespace platform {
namespace path_rules {

size_t FileNameOffset(std::u16string_view path) {
    size_t last = 0;
    for (size_t i = 0; i < path.size(); ++i) {
        const char16_t c = path[i];
        if ((c == u'\\' || c == u'/' || c == u':') && i + 1 < path.size() && path[i + 1] != u'\\' &&
            path[i + 1] != u'/') {
            last = i + 1;
        }
    }
    return last;
}

size_t ExtensionOffset(std::u16string_view path) {
    size_t dot = path.size();
    for (size_t i = 0; i < path.size(); ++i) {
        if (path[i] == u'\\' || path[i] == u' ') {
            dot = path.size();
        } else if (path[i] == u'.') {
            dot = i;
        }
    }
    return dot;
}

}  // namespace path_rules

bool IsPathSeparator(char16_t c) {
    return c == u'/' || c == kPathSeparator;
}

std::u16string RemoveExtension(std::u16string_view path) {
    return std::u16string(path.substr(0, path.size() - FindExtension(path).size()));
}

std::u16string_view FolderOf(std::u16string_view path) {
    return path.substr(0, path.size() - FindFileName(path).size());
}

}  // namespace platform
