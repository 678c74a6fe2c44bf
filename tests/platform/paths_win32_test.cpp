// Our written-out path rules against the Windows shell's functions, on
// every path of up to five characters made of the characters that matter.
#include <shlwapi.h>
#include <windows.h>

#include <gtest/gtest.h>

#include "platform/paths.h"

namespace platform {
namespace {

TEST(PathRules, AgreeWithTheShellOnEveryShortPath) {
    const std::u16string alphabet = u"a.\\/: ";
    std::vector<std::u16string> paths = {u""};
    for (size_t begin = 0, length = 1; length <= 5; ++length) {
        const size_t end = paths.size();
        for (size_t i = begin; i < end; ++i) {
            for (char16_t c : alphabet) paths.push_back(paths[i] + c);
        }
        begin = end;
    }
    ASSERT_EQ(paths.size(), 9331u);
    for (const auto& path : paths) {
        const auto* wide = reinterpret_cast<const wchar_t*>(path.c_str());
        EXPECT_EQ(path_rules::FileNameOffset(path, path_rules::kWindows),
                  static_cast<size_t>(PathFindFileNameW(wide) - wide))
            << std::string(path.begin(), path.end());
        EXPECT_EQ(path_rules::ExtensionOffset(path, path_rules::kWindows),
                  static_cast<size_t>(PathFindExtensionW(wide) - wide))
            << std::string(path.begin(), path.end());
    }
}

}  // namespace
}  // namespace platform
