// What quill.exe shows on a console: its words and its paths as they are,
// whatever the code pages (into a pipe its bytes stay those that
// quill_console_win32_test.cpp checks), and a path's control characters as
// \xNN. Run once with ANSI code page 936 and once with 1252.
#include <gtest/gtest.h>

#include "platform/text.h"
#include "tests/support/process.h"
#include "tests/support/temp_dir.h"

namespace {

using testing_support::FsPath;
using testing_support::TempDir;
using testing_support::U16;

// Runs of blanks as one: a tab shows as blanks up to the next tab stop.
std::u16string Squeezed(std::u16string text) {
    for (char16_t& c : text) {
        if (c == u'\t') c = u' ';
    }
    for (std::size_t at; (at = text.find(u"  ")) != std::u16string::npos;) text.erase(at, 1);
    return text;
}

TEST(QuillOnAConsole, ShowsItsWordsAndPathsAsTheyAre) {
    TempDir dir;
    testing_support::WriteBytes(dir.path() / FsPath(u"夜曲.xml"), "<skin>");
    const std::u16string folder = U16(dir.path()) + u"\\";
    const struct {
        std::vector<std::u16string> args;
        int exitCode;
        std::u16string shown;
    } cases[] = {
        {{u"out.pak"}, -1, u"参数:[-n 包名] [输出文件] [输入文件1] [输入文件3]...\n"},
        // The snowman is in no ANSI code page; ESC and CSI would drive the
        // console.
        {{dir / u"out.pak", dir / u"☃\x1b[2J\x9b.pxa", dir / u"夜曲.xml"},
         0,
         u"文件 " + folder + u"☃\\x1B[2J\\x9B.pxa 被忽略!\n\n1 个文件被打包.\n" +
             std::u16string(47, u'-') + u"\n" + folder + u"夜曲.xml\t6 字节\n"},
    };
    testing_support::RunOptions onConsole;
    onConsole.terminal = true;
    for (const auto& c : cases) {
        const auto result = testing_support::RunProgram("quill", c.args, onConsole);
        EXPECT_EQ(Squeezed(platform::Utf8ToUtf16(result.output)), Squeezed(c.shown))
            << result.output;
        EXPECT_EQ(result.exitCode, c.exitCode);
    }
}

}  // namespace
