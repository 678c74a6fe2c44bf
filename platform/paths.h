// Taking paths apart, with the rules of the Windows shell's path functions,
// on every system, so a path gives the same names everywhere.
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

// The last component: what follows the last backslash, slash or drive colon
// that is itself followed by something other than a separator
// (PathFindFileNameW). "C:\a\b.xml" gives "b.xml"; "C:\a\" gives "a\".
std::u16string_view FindFileName(std::u16string_view path);

// The extension: from the last "." of the path, unless a backslash or a
// blank follows it (or, outside Windows, a slash); empty when there is none
// (PathFindExtensionW).
std::u16string_view FindExtension(std::u16string_view path);

// The path without its extension (PathRemoveExtensionW).
std::u16string RemoveExtension(std::u16string_view path);

// Everything before the last component, separator included: the folder a
// path names its file in ("" for a bare name).
std::u16string_view FolderOf(std::u16string_view path);

// The same rules, written out: what the functions above do where there is no
// Windows shell to ask. Kept visible so they can be checked against it.
namespace path_rules {
size_t FileNameOffset(std::u16string_view path);
size_t ExtensionOffset(std::u16string_view path);
}  // namespace path_rules

}  // namespace platform
