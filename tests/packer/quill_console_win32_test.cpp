// What quill.exe prints on Windows: its fixed texts as GBK bytes whatever
// the system's code page, paths in the ANSI code page, and every line feed
// as carriage return + line feed (two carriage returns where the text has
// its own).
#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>

#include "tests/packer/quill_cli_test.h"
#include "tests/support/temp_dir.h"

namespace {

using quill_test::Quill;
using testing_support::FsPath;
using testing_support::TempDir;
using testing_support::WriteBytes;

const std::string kHyphens(47, '-');
const std::string kUsage =
    "\xb2\xce\xca\xfd:[-n \xb0\xfc\xc3\xfb] [\xca\xe4\xb3\xf6\xce\xc4\xbc\xfe] "
    "[\xca\xe4\xc8\xeb\xce\xc4\xbc\xfe"
    "1] [\xca\xe4\xc8\xeb\xce\xc4\xbc\xfe"
    "3]...\r\r\n";

// Run once with ANSI code page 936 and once with 1252; each suite checks
// that it runs under its own.
class AnyCodePage : public ::testing::Test {
  protected:
    // The folder of the test files; ASCII, so the same bytes in every code page.
    std::string Folder() { return dir.path().string() + "\\"; }
    TempDir dir;
    std::u16string out = dir / u"out.pak";
};

class CodePage936 : public AnyCodePage {
    void SetUp() override { ASSERT_EQ(GetACP(), 936u); }
};
class CodePage1252 : public AnyCodePage {
    void SetUp() override { ASSERT_EQ(GetACP(), 1252u); }
};

TEST_F(AnyCodePage, UsageIsGbk) {
    const auto result = Quill({out});
    EXPECT_EQ(result.output, kUsage);
    EXPECT_EQ(result.exitCode, -1);
}

TEST_F(CodePage936, NoticeAndSummary) {
    WriteBytes(dir.path() / FsPath(u"夜曲.xml"), "<skin>");
    const auto result = Quill({out, dir / u"夜曲.pxa", dir / u"夜曲.xml"});
    EXPECT_EQ(result.output, "\xce\xc4\xbc\xfe " + Folder() +
                                 "\xd2\xb9\xc7\xfa.pxa \xb1\xbb\xba\xf6\xc2\xd4!\r\r\n"
                                 "\r\n1 \xb8\xf6\xce\xc4\xbc\xfe\xb1\xbb\xb4\xf2\xb0\xfc.\r\n" +
                                 kHyphens + "\r\n" + Folder() +
                                 "\xd2\xb9\xc7\xfa.xml\t6 \xd7\xd6\xbd\xda\r\n");
    EXPECT_EQ(result.exitCode, 0);
}

TEST_F(CodePage1252, PathsOutsideTheCodePageShowItsDefaultCharacter) {
    WriteBytes(dir.path() / FsPath(u"夜曲.xml"), "<skin>");
    const auto result = Quill({out, dir / u"夜曲.xml"});
    EXPECT_EQ(result.output, "\r\n1 \xb8\xf6\xce\xc4\xbc\xfe\xb1\xbb\xb4\xf2\xb0\xfc.\r\n" +
                                 kHyphens + "\r\n" + Folder() + "??.xml\t6 \xd7\xd6\xbd\xda\r\n");
    // The file itself is found: arguments arrive as UTF-16.
    EXPECT_EQ(result.exitCode, 0);
}

TEST_F(AnyCodePage, FileHeldOpenForWritingIsPassedOverSilently) {
    const std::u16string locked = dir / u"locked.xml", free = dir / u"free.pxa";
    WriteBytes(FsPath(locked), "locked");
    WriteBytes(FsPath(free), "free");
    const HANDLE handle = CreateFileW(reinterpret_cast<const wchar_t*>(locked.c_str()),
                                      GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(handle, INVALID_HANDLE_VALUE);
    const auto result = Quill({out, locked, free});
    CloseHandle(handle);
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.output.find("locked"), std::string::npos);
    EXPECT_NE(result.output.find("\r\n1 "), std::string::npos);
}

TEST_F(AnyCodePage, RefusalMessagesAreGbk) {
    const std::u16string a = dir / u"a.xml";
    WriteBytes(FsPath(a), "abc");
    // "无法创建文件 <path>: <the system's words>!" after the summary.
    const auto result = Quill({dir / u"no\\out.pak", a});
    const std::string message =
        "\xce\xde\xb7\xa8\xb4\xb4\xbd\xa8\xce\xc4\xbc\xfe " + Folder() + "no\\out.pak: ";
    const std::size_t at = result.output.rfind(message);
    ASSERT_NE(at, std::string::npos) << result.output;
    EXPECT_GT(result.output.size(), at + message.size() + 3);
    EXPECT_EQ(result.output.substr(result.output.size() - 3), "!\r\n");
    EXPECT_EQ(result.exitCode, 1);
}

}  // namespace
