#include "platform/paths.h"

namespace platform {
namespace path_rules {

size_t FileNameOffset(std::u16string_view path, const Separators& separators) {
    size_t last = 0;
    for (size_t i = 0; i + 1 < path.size(); ++i) {
        if (separators.nameEnds.find(path[i]) != std::u16string_view::npos &&
            separators.folderEnds.find(path[i + 1]) == std::u16string_view::npos) {
            last = i + 1;
        }
    }
    return last;
}

size_t ExtensionOffset(std::u16string_view path, const Separators& separators) {
    size_t dot = path.size();
    for (size_t i = 0; i < path.size(); ++i) {
        if (separators.extensionEnds.find(path[i]) != std::u16string_view::npos) {
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
