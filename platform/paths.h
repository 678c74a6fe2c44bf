// Taking paths apart with the rules of the Windows shell's path functions.
// Outside Windows the same rules hold with the system's own separator: there
// a slash alone separates, and a backslash or a colon is part of a name.
#pragma once

#include <string>
#include <string_view>

namespace platform {

// What this system writes between a folder and a name: a backslash on
// Windows, a slash elsewhere.
extern const char16_t kPathSeparator;

// Whether the character separates a folder from a name on this system: a
// slash, and on Windows a backslash too.
bool IsPathSeparator(char16_t c);

// The last component: what follows the last separator (on Windows also a
// drive colon) that is itself followed by something other than a separator
// (PathFindFileNameW). "C:\a\b.xml" gives "b.xml"; "C:\a\" gives "a\".
std::u16string_view FindFileName(std::u16string_view path);

// The extension: from the last "." of the path, unless a blank follows it or
// a separator (on Windows only a backslash); empty when there is none
// (PathFindExtensionW).
std::u16string_view FindExtension(std::u16string_view path);

// The path without its extension (PathRemoveExtensionW).
std::u16string RemoveExtension(std::u16string_view path);

// The base name of a path: its last component without its last extension.
// "D:\a\blue.night.pxa" gives "blue.night".
std::u16string SkinFileName(std::u16string_view path);

// Whether the path ends in `extension`, letter case aside (FoldCase).
bool HasExtension(std::u16string_view path, std::u16string_view extension);

// Whether a name (of a package's entry, say) can be a file's name in a
// folder on every system, as it is: no separator, drive colon, "." or "..",
// control character, character or device name that Windows refuses, or
// ending that Windows drops (a dot, a blank).
bool IsPortableFileName(std::u16string_view name);

// Whether the system takes the path for one of its devices rather than a
// file (on Windows NUL, CON, AUX, COM1 ... in any folder, with any
// extension); never elsewhere.
bool IsDeviceName(std::u16string_view path);

// Everything before the last component, separator included: the folder a
// path names its file in ("" for a bare name).
std::u16string_view FolderOf(std::u16string_view path);

// The rules written out, for a set of separators: what the functions above
// do where there is no Windows shell to ask. With the Windows characters
// they are checked against the shell itself.
namespace path_rules {
struct Separators {
    std::u16string_view nameEnds;       // a name starts behind one of these
    std::u16string_view folderEnds;     // ... unless one of these follows it
    std::u16string_view extensionEnds;  // no extension reaches across these
};
constexpr Separators kWindows{u"\\/:", u"\\/", u"\\ "};
constexpr Separators kPosix{u"/", u"/", u"/ "};

size_t FileNameOffset(std::u16string_view path, const Separators& separators);
size_t ExtensionOffset(std::u16string_view path, const Separators& separators);
}  // namespace path_rules

}  // namespace platform
