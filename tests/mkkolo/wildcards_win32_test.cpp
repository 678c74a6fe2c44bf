// Wildcards on a Windows command line, which the programs expand
// themselves: cmd hands "*" and "?" over as they were typed. The test runs
// the programs through a command line as cmd would.
#include <windows.h>

#include <gtest/gtest.h>

#include "platform/system_error.h"
#include "platform/text.h"
#include "tests/support/process.h"
#include "tests/support/temp_dir.h"

namespace {

using testing_support::FsPath;
using testing_support::TempDir;
using testing_support::U16;

// quill's summary of the inputs as it writes it on Windows.
std::u16string Summary(const std::vector<std::pair<std::u16string, int>>& inputs) {
    std::u16string text = u"\r\n" + platform::ToDecimal(inputs.size()) + u" 个文件被打包.\r\n" +
                          std::u16string(47, u'-') + u"\r\n";
    for (const auto& [path, size] : inputs) {
        text += path + u"\t" + platform::ToDecimal(size) + u" 字节\r\n";
    }
    return text;
}

TEST(Wildcards, ExpandTheArgumentsThatArePaths) {
    TempDir dir;
    const std::pair<std::u16string, std::string> files[] = {
        {u"a.xml", "<a/>"},
        {u"a.pxa", "pxa"},
        {u"Z.pxa", "z"},
        // Its short alias ends in .XML, but only the long name counts.
        {u"a.xmlbak", "old layout"},
        {u"c d.xml", "cd"},
        {u"README", "readme"}};
    std::filesystem::create_directory(dir.path() / "skins");
    for (const auto& [name, bytes] : files) {
        testing_support::WriteBytes(dir.path() / "skins" / FsPath(name), bytes);
    }
    const std::wstring hidden = (dir.path() / "skins" / "Z.pxa").wstring();
    ASSERT_TRUE(SetFileAttributesW(hidden.c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM));

    const struct {
        const char* program;
        std::vector<std::u16string> args;
        int exitCode;
        std::u16string out, err;
    } cases[] = {
        // Hidden and system files too, in the order of the names' code
        // units; "*.*" takes a name without an extension as well.
        {"quill",
         {u"p.pak", u"skins\\*.*"},
         0,
         Summary({{u"skins\\README", 6},
                  {u"skins\\Z.pxa", 1},
                  {u"skins\\a.pxa", 3},
                  {u"skins\\a.xml", 4},
                  {u"skins\\a.xmlbak", 10},
                  {u"skins\\c d.xml", 2}}),
         u""},
        // "?" is one character; a quoted argument ("skins\c *") is expanded too.
        {"quill",
         {u"p.pak", u"skins\\?.pxa", u"skins\\c *"},
         0,
         Summary({{u"skins\\Z.pxa", 1}, {u"skins\\a.pxa", 3}, {u"skins\\c d.xml", 2}}),
         u""},
        {"quill",
         {u"p.pak", u"skins\\*.XML"},
         0,
         Summary({{u"skins\\a.xml", 4}, {u"skins\\c d.xml", 2}}),
         u""},
        // Neither the package name nor the output is a path to expand.
        {"quill",
         {u"-n", u"*", u"p*.pak", u"skins\\a.xml"},
         1,
         Summary({{u"skins\\a.xml", 4}}) + u"无法创建文件 p*.pak!\r\n",
         u""},
        // The folder part stays as it was written.
        {"mkkolo",
         {u"-n", u"skins/?.x?l", u"skins/a.p*"},
         0,
         u"【a】 skins/a.xml + skins/a.pxa\n",
         u""},
        {"mkkolo",
         {u"-o", u"sk*", u"skins/?.x?l", u"skins/a.p*"},
         1,
         u"",
         u"无法创建输出文件夹 sk*: " +
             platform::Describe(platform::SystemError{ERROR_INVALID_NAME}) + u"!\n"},
        // Nothing matches but "." and "..", which never count.
        {"mkkolo",
         {u"-n", u"skins\\.*"},
         1,
         u"",
         u"路径 skins\\.* 不存在!\n没有可打包的皮肤文件!\n"},
    };
    testing_support::RunOptions options;
    options.folder = U16(dir.path());
    for (const auto& c : cases) {
        const auto result = testing_support::RunProgram(c.program, c.args, options);
        // quill writes in the code pages, mkkolo UTF-8 into a pipe.
        const auto decode =
            std::string(c.program) == "quill" ? platform::FromThreadAnsi : platform::Utf8ToUtf16;
        EXPECT_EQ(decode(result.output), c.out) << platform::Utf16ToUtf8(c.args.back());
        EXPECT_EQ(decode(result.errors), c.err) << platform::Utf16ToUtf8(c.args.back());
        EXPECT_EQ(result.exitCode, c.exitCode) << platform::Utf16ToUtf8(c.args.back());
    }
}

}  // namespace
