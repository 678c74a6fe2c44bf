#include "platform/paths.h"

#include "platform/text.h"

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

std::u16string SkinFileName(std::u16string_view path) {
    return RemoveExtension(FindFileName(path));
}

bool IsPortableFileName(std::u16string_view name) {
    if (name.empty() || name.back() == u'.' || name.back() == u' ') return false;
    for (char16_t c : name) {
        if (IsControl(c) ||
            std::u16string_view(u"/\\:*?\"<>|").find(c) != std::u16string_view::npos) {
            return false;
        }
    }
    // Windows takes these for devices in any folder, with any extension.
    std::u16string stem = FoldCase(name.substr(0, name.find(u'.')));
    while (!stem.empty() && stem.back() == u' ') stem.pop_back();
    for (const char16_t* device : {u"con", u"prn", u"aux", u"nul", u"conin$", u"conout$"}) {
        if (stem == device) return false;
    }
    const bool numbered =
        stem.size() == 4 && (stem.compare(0, 3, u"com") == 0 || stem.compare(0, 3, u"lpt") == 0);
    return !(numbered && stem[3] >= u'0' && stem[3] <= u'9') && !IsDeviceName(name);
}

bool HasExtension(std::u16string_view path, std::u16string_view extension) {
    return path.size() >= extension.size() &&
           FoldCase(path.substr(path.size() - extension.size())) == FoldCase(extension);
}

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
