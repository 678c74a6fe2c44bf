#include "platform/paths.h"

#include <gtest/gtest.h>

namespace platform {
namespace {

struct PathCase {
    std::u16string path, fileName, extension, folder;
};

// On Windows these are answered by the shell's own functions.
const PathCase kCases[] = {
    {u"b.xml", u"b.xml", u".xml", u""},
    {u"/home/u/a.xml", u"a.xml", u".xml", u"/home/u/"},
    {u"my file.tx t", u"my file.tx t", u"", u""},
    {u".hidden", u".hidden", u".hidden", u""},
    {u"a.", u"a.", u".", u""},
    {u"", u"", u"", u""},
#ifdef _WIN32
    {u"C:\\a\\b.xml", u"b.xml", u".xml", u"C:\\a\\"},
    {u"D:\\skins\\blue.night.pxa", u"blue.night.pxa", u".pxa", u"D:\\skins\\"},
    {u"C:\\a.b\\night", u"night", u"", u"C:\\a.b\\"},
    {u"C:\\a\\", u"a\\", u"", u"C:\\"},
    {u"C:", u"C:", u"", u""},
    {u"C:x.pak", u"x.pak", u".pak", u"C:"},
    {u"a/b.c/d", u"d", u".c/d", u"a/b.c/"},  // only a backslash or a blank ends an extension
    {u"D:\\skins out\\x.kolo", u"x.kolo", u".kolo", u"D:\\skins out\\"},
    {u"\\\\server\\share\\f.kolo", u"f.kolo", u".kolo", u"\\\\server\\share\\"},
    {u"a\\\\b", u"b", u"", u"a\\\\"},
    {u"C:\\夜曲\\夜曲.mbm", u"夜曲.mbm", u".mbm", u"C:\\夜曲\\"},
#else
    // A slash alone separates: backslashes and colons are part of names.
    {u"a/b.c/d", u"d", u"", u"a/b.c/"},
    {u"/a/b/", u"b/", u"", u"/a/"},
    {u"a:x.xml", u"a:x.xml", u".xml", u""},
    {u"s/blue\\skin.pxa", u"blue\\skin.pxa", u".pxa", u"s/"},
    {u"C:\\a.b\\night", u"C:\\a.b\\night", u".b\\night", u""},
    {u"/夜曲/夜曲.mbm", u"夜曲.mbm", u".mbm", u"/夜曲/"},
#endif
};

TEST(Paths, TakesPathsApartLikeTheShellWithTheSystemsSeparators) {
    for (const auto& c : kCases) {
        EXPECT_EQ(FindFileName(c.path), c.fileName) << std::string(c.path.begin(), c.path.end());
        EXPECT_EQ(FindExtension(c.path), c.extension) << std::string(c.path.begin(), c.path.end());
        EXPECT_EQ(FolderOf(c.path), c.folder) << std::string(c.path.begin(), c.path.end());
        EXPECT_EQ(RemoveExtension(c.path), c.path.substr(0, c.path.size() - c.extension.size()));
    }
}

TEST(SkinFileName, IsTheLastComponentWithoutItsLastExtension) {
    const std::pair<std::u16string, std::u16string> cases[] = {
        {u"blue.xml", u"blue"},
        {u"/home/me/夜曲.mbm", u"夜曲"},
        {u"BLUE.XML", u"BLUE"},
#ifdef _WIN32
        {u"D:\\skins\\blue.xml", u"blue"},
        {u"C:\\a\\blue.night.pxa", u"blue.night"},
        {u"C:\\a.b\\blue", u"blue"},
#else
        // Only a slash separates: the skins of a:x.xml and b:x.xml are two.
        {u"/a/blue.night.pxa", u"blue.night"},
        {u"a:x.xml", u"a:x"},
        {u"s/a\\x.pxa", u"a\\x"},
#endif
    };
    for (const auto& [path, name] : cases) EXPECT_EQ(SkinFileName(path), name);
}

TEST(HasExtension, ComparesTheLastFourCharactersIgnoringCase) {
    EXPECT_TRUE(HasExtension(u"a.MBM", u".mbm"));
    EXPECT_TRUE(HasExtension(u".mbm", u".mbm"));
    EXPECT_FALSE(HasExtension(u"mbm", u".mbm"));
    EXPECT_FALSE(HasExtension(u"a.mbm.x", u".mbm"));
}

}  // namespace
}  // namespace platform
