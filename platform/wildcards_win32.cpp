#include <algorithm>
#include <optional>

#include "platform/files.h"
#include "platform/paths.h"
#include "platform/text.h"
#include "platform/wildcards.h"

namespace platform {
namespace {

// How many UTF-16 units the character at text[i] takes: a surrogate pair is
// one character.
std::size_t UnitsAt(std::u16string_view text, std::size_t i) {
    const bool pair = text[i] >= 0xD800 && text[i] <= 0xDBFF && i + 1 < text.size() &&
                      text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF;
    return pair ? 2 : 1;
}

// "*" any run of characters, "?" one, everything else itself; both texts
// case-folded already.
bool MatchesFolded(std::u16string_view name, std::u16string_view pattern) {
    constexpr std::size_t kNone = std::u16string_view::npos;
    std::size_t n = 0, p = 0;
    // Where the last "*" was, and how much of the name it has taken so far.
    std::size_t afterStar = kNone, starEnd = 0;
    while (n < name.size()) {
        if (p < pattern.size() && pattern[p] == u'*') {
            afterStar = ++p;
            starEnd = n;
        } else if (p < pattern.size() && pattern[p] == u'?') {
            n += UnitsAt(name, n);
            ++p;
        } else if (p < pattern.size() && pattern[p] == name[n]) {
            ++n;
            ++p;
        } else if (afterStar != kNone) {
            // The last "*" takes one more character, and matching goes on
            // behind it.
            starEnd += UnitsAt(name, starEnd);
            n = starEnd;
            p = afterStar;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == u'*') ++p;
    return p == pattern.size();
}

bool Matches(std::u16string_view name, std::u16string_view pattern) {
    const std::u16string folded = FoldCase(name), wanted = FoldCase(pattern);
    if (MatchesFolded(folded, wanted)) return true;
    // "night.*" takes "night" too, as Windows' own commands have it.
    const std::u16string_view anyExtension = u".*";
    return wanted.size() >= anyExtension.size() &&
           std::u16string_view(wanted).substr(wanted.size() - anyExtension.size()) ==
               anyExtension &&
           MatchesFolded(
               folded, std::u16string_view(wanted).substr(0, wanted.size() - anyExtension.size()));
}

// The matches of one path's pattern, folder part first; nothing when it has
// no pattern, matches nothing, or its folder cannot be listed.
std::optional<std::vector<std::u16string>> Expand(std::u16string_view path) {
    const std::u16string_view pattern = FindFileName(path);
    if (pattern.find_first_of(u"*?") == std::u16string_view::npos ||
        std::any_of(pattern.begin(), pattern.end(), IsPathSeparator)) {
        return std::nullopt;
    }
    const std::u16string_view folder = FolderOf(path);
    // "C:*.xml" is about the current folder of drive C, not its root.
    const std::u16string listed = !folder.empty() && folder.back() == u':'
                                      ? std::u16string(folder) + u"."
                                      : std::u16string(folder);
    const ErrorOr<std::vector<std::u16string>> names = ListFolder(listed);
    if (!names) return std::nullopt;
    std::vector<std::u16string> matches;
    for (const std::u16string& name : *names) {
        if (Matches(name, pattern)) matches.push_back(std::u16string(folder) + name);
    }
    if (matches.empty()) return std::nullopt;
    std::sort(matches.begin(), matches.end());
    return matches;
}

}  // namespace

std::vector<std::u16string> ExpandWildcards(const std::vector<std::u16string>& paths) {
    std::vector<std::u16string> expanded;
    for (const std::u16string& path : paths) {
        if (auto matches = Expand(path)) {
            expanded.insert(expanded.end(), matches->begin(), matches->end());
        } else {
            expanded.push_back(path);
        }
    }
    return expanded;
}

}  // namespace platform
