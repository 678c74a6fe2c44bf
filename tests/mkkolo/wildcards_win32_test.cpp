// Wildcards on a Windows command line, which the programs expand themselves:
// cmd hands "*" and "?" over as typed, and so does the command line that
// the tests start the programs with.
#include <windows.h>

#include <gtest/gtest.h>

#include "platform/system_error.h"
#include "platform/text.h"
#include "platform/wide.h"
#include "tests/support/process.h"
#include "tests/support/temp_dir.h"

namespace {

// quill's summary of files of skins\ of as many bytes as their names.
std::u16string Summary(const std::vector<std::u16string>& names) {
    std::u16string text = u"\r\n" + platform::ToDecimal(names.size()) + u" 个文件被打包.\r\n" +
                          std::u16string(47, u'-') + u"\r\n";
    for (const auto& name : names) {
        text += u"skins\\" + name + u"\t" + platform::ToDecimal(name.size()) + u" 字节\r\n";
    }
    return text;
}

TEST(Wildcards, ExpandTheArgumentsThatArePaths) {
    testing_support::TempDir dir;
    // a.xmlbak's 8.3 alias ends in .XML, but only the long name counts; Z.pxa
    // is hidden and a system file. Each file's bytes are its name, but for
    // the layout that mkkolo checks.
    std::filesystem::create_directory(dir.path() / "skins");
    for (const char* name : {"a.xml", "a.pxa", "Z.pxa", "a.xmlbak", "c d.xml", "README"}) {
        testing_support::WriteBytes(dir.path() / "skins" / name,
                                    std::string(name) == "a.xml" ? "<a/>\n" : name);
    }
    ASSERT_TRUE(SetFileAttributesW((dir.path() / "skins" / "Z.pxa").c_str(),
                                   FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM));
    const std::u16string usage = u"用 mkkolo --help 查看用法.\n";
    const struct {
        const char* program;
        std::vector<std::u16string> args;
        int exitCode;
        std::u16string out, err;
    } cases[] = {
        // In the order of the names' code units; "*.*" takes README too.
        {"quill",
         {u"p.pak", u"skins\\*.*"},
         0,
         Summary({u"README", u"Z.pxa", u"a.pxa", u"a.xml", u"a.xmlbak", u"c d.xml"}),
         u""},
        // "?" is one character; a quoted argument ("skins\c *") counts too.
        {"quill",
         {u"p.pak", u"skins\\?.pxa", u"skins\\c *", u"skins\\*.XML"},
         0,
         Summary({u"Z.pxa", u"a.pxa", u"c d.xml", u"a.xml", u"c d.xml"}),
         u""},
        // Neither the package name nor the output is a path to expand.
        {"quill",
         {u"-n", u"*", u"p*.pak", u"skins\\a.xml"},
         1,
         Summary({u"a.xml"}) + u"无法创建文件 p*.pak: " + platform::Describe({ERROR_INVALID_NAME}) +
             u"!\r\n",
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
         u"无法创建输出文件夹 sk*: " + platform::Describe({ERROR_INVALID_NAME}) + u"!\n"},
        // Nothing matches but "." and "..", which never count.
        {"mkkolo",
         {u"-n", u"skins\\.*"},
         1,
         u"",
         u"路径 skins\\.* 不存在!\n没有可打包的皮肤文件!\n"},
        // A Windows switch that names nothing is refused before anything is
        // read or written, with the form of the option that it stands for.
        {"mkkolo", {u"/o", u"out", u"skins"}, 2, u"", u"选项 /o 应写作 -o!\n" + usage},
        {"mkkolo", {u"skins", u"/OUT", u"out"}, 2, u"", u"选项 /OUT 应写作 --output!\n" + usage},
        {"mkkolo", {u"/s", u"skins"}, 2, u"", u"未知选项 /s!\n" + usage},
        {"mkkolo", {u"-n", u"--", u"/o"}, 1, u"", u"路径 /o 不存在!\n没有可打包的皮肤文件!\n"},
    };
    testing_support::RunOptions options;
    options.folder = testing_support::U16(dir.path());
    for (const auto& c : cases) {
        const auto result = testing_support::RunProgram(c.program, c.args, options);
        // quill writes in the code pages, mkkolo UTF-8 into a pipe.
        const auto decode =
            std::string(c.program) == "quill" ? platform::FromThreadAnsi : platform::Utf8ToUtf16;
        const std::string arg = platform::Utf16ToUtf8(c.args.back());
        EXPECT_EQ(decode(result.output), c.out) << arg;
        EXPECT_EQ(decode(result.errors), c.err) << arg;
        EXPECT_EQ(result.exitCode, c.exitCode) << arg;
    }
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "out"));
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "a.kolo"));
    // One that names a folder is that folder (at the root of the current
    // drive; under Wine, of the Unix file system).
    for (const auto& item : std::filesystem::directory_iterator(std::filesystem::path(L"/"))) {
        const std::wstring name = item.path().filename().wstring();
        if (!item.is_directory() ||
            name.find_first_not_of(L"abcdefghijklmnopqrstuvwxyz"
                                   L"ABCDEFGHIJKLMNOPQRSTUVWXYZ") != std::wstring::npos)
            continue;
        std::u16string asSwitch(1, u'/');
        asSwitch += platform::FromWide(name);
        const auto result = testing_support::RunProgram("mkkolo", {u"-n", asSwitch});
        EXPECT_NE(result.exitCode, 2) << result.errors;
        break;
    }
}

}  // namespace
