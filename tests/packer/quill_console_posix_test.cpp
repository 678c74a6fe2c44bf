// What quill prints on Linux: the locale's character set, no carriage
// returns added, and the messages of the failures it refuses.
#include <gtest/gtest.h>

#include <filesystem>

#include "platform/text.h"
#include "tests/packer/quill_cli_test.h"
#include "tests/support/pak_reader.h"
#include "tests/support/small_volume.h"
#include "tests/support/temp_dir.h"

namespace {

using quill_test::Quill;
using testing_support::FsPath;
using testing_support::TempDir;
using testing_support::WriteBytes;

const std::string kHyphens(47, '-');

class QuillConsoleTest : public ::testing::Test {
  protected:
    std::string Native(std::u16string_view name) { return (dir.path() / FsPath(name)).string(); }
    TempDir dir;
    std::u16string out = dir / u"out.pak";
};

TEST_F(QuillConsoleTest, UsageInTheLocalesCharacterSet) {
    const std::string utf8 =
        "\xe5\x8f\x82\xe6\x95\xb0:[-n \xe5\x8c\x85\xe5\x90\x8d] "
        "[\xe8\xbe\x93\xe5\x87\xba\xe6\x96\x87\xe4\xbb\xb6] "
        "[\xe8\xbe\x93\xe5\x85\xa5\xe6\x96\x87\xe4\xbb\xb6"
        "1] [\xe8\xbe\x93\xe5\x85\xa5\xe6\x96\x87\xe4\xbb\xb6"
        "3]...\r\n";
    const std::string gbk =
        "\xb2\xce\xca\xfd:[-n \xb0\xfc\xc3\xfb] [\xca\xe4\xb3\xf6\xce\xc4\xbc\xfe] "
        "[\xca\xe4\xc8\xeb\xce\xc4\xbc\xfe"
        "1] [\xca\xe4\xc8\xeb\xce\xc4\xbc\xfe"
        "3]...\r\n";
    // The plain C locale counts as UTF-8.
    const std::pair<std::string, std::string> cases[] = {
        {"C.UTF-8", utf8}, {"C", utf8}, {"zh_CN.GBK", gbk}};
    for (const auto& [locale, usage] : cases) {
        const auto result = Quill({u"out.pak"}, {}, locale);
        EXPECT_EQ(result.output, usage) << locale;
        EXPECT_EQ(result.exitCode, 255) << locale;
    }
}

TEST_F(QuillConsoleTest, NoticeAndSummaryInUtf8AndGbk) {
    WriteBytes(dir.path() / FsPath(u"夜曲.xml"), "<skin>");
    const std::vector<std::u16string> args = {out, dir / u"夜曲.pxa", dir / u"夜曲.xml"};

    const std::string utf8 =
        "\xe6\x96\x87\xe4\xbb\xb6 " + Native(u"夜曲.pxa") +
        " \xe8\xa2\xab\xe5\xbf\xbd\xe7\x95\xa5!\r\n"
        "\n1 \xe4\xb8\xaa\xe6\x96\x87\xe4\xbb\xb6\xe8\xa2\xab\xe6\x89\x93\xe5\x8c\x85.\n" +
        kHyphens + "\n" + Native(u"夜曲.xml") + "\t6 \xe5\xad\x97\xe8\x8a\x82\n";
    EXPECT_EQ(Quill(args).output, utf8);

    // In a GBK locale the file system holds GBK names; the package stores the
    // name decoded, as UTF-16.
    const std::string folder = dir.path().string() + "/";
    const std::string gbkXml = folder + "\xd2\xb9\xc7\xfa.xml",
                      gbkPxa = folder + "\xd2\xb9\xc7\xfa.pxa";
    WriteBytes(gbkXml, "<skin>");
    const std::string gbk = "\xce\xc4\xbc\xfe " + gbkPxa +
                            " \xb1\xbb\xba\xf6\xc2\xd4!\r\n"
                            "\n1 \xb8\xf6\xce\xc4\xbc\xfe\xb1\xbb\xb4\xf2\xb0\xfc.\n" +
                            kHyphens + "\n" + gbkXml + "\t6 \xd7\xd6\xbd\xda\n";
    // (This test runs in the C locale, whose decoding carries any bytes through.)
    const auto result = Quill(
        {out, platform::FromThreadAnsi(gbkPxa), platform::FromThreadAnsi(gbkXml)}, {}, "zh_CN.GBK");
    EXPECT_EQ(result.output, gbk);
    const auto pak = testing_support::ReadPak(testing_support::ReadBytes(FsPath(out)));
    ASSERT_TRUE(pak);
    EXPECT_EQ(pak->entries.at(0).name, u"夜曲.xml");
}

TEST_F(QuillConsoleTest, NamesThatAreNotValidInTheLocaleStillPack) {
    // A Latin-1 file name on a UTF-8 system: its bytes reach the file system
    // unchanged. (This test process runs in the C locale, which decodes the
    // same way, so the name travels as the same bytes.)
    const std::string latin1 = dir.path().string() + "/caf\xe9.xml";
    WriteBytes(latin1, "x");
    const auto result = Quill({out, platform::FromThreadAnsi(latin1)});
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_NE(result.output.find("caf\xe9.xml\t1 "), std::string::npos);
    EXPECT_TRUE(std::filesystem::exists(FsPath(out)));
}

// Each refusal: the message (after the summary, when there is one), exit 1,
// and nothing left beside the input.
TEST_F(QuillConsoleTest, MessagesOfRefusedPackages) {
    const std::u16string a = dir / u"a.xml";
    WriteBytes(FsPath(a), "abc");
    const std::string summary =
        std::string(u8"\n1 个文件被打包.\n") + kHyphens + "\n" + Native(u"a.xml") + u8"\t3 字节\n";
    const std::u16string tooLong = std::u16string(300, u'n') + u".pak";
    struct Case {
        std::vector<std::u16string> args;
        std::string output;
        std::uint64_t maxFileSize = 0;
    } cases[] = {
        {{out, dir / u"none.xml"},
         std::string(u8"文件 ") + Native(u"none.xml") + u8" 被忽略!\r\n" +
             u8"没有可打包的文件, 未生成 " + Native(u"out.pak") + "!\n"},
        {{u"-n", std::u16string(1017, u'n'), out, a},
         u8"包名过长(1017 字节), 最多 1016 字节, 未打包!\n"},
        {{a, a}, summary + u8"输出文件 " + Native(u"a.xml") + u8" 是输入文件之一, 未打包!\n"},
        {{dir / u"no/out.pak", a},
         summary + u8"无法创建文件 " + Native(u"no/out.pak") + ": No such file or directory!\n"},
        {{dir / tooLong, a},
         summary + u8"无法创建文件 " + Native(tooLong) + ": File name too long!\n"},
        // The package's first 64 bytes fit, its 75 do not.
        {{out, a}, summary + u8"写入文件 " + Native(u"out.pak") + u8" 失败: File too large!\n", 64},
        {{u"/dev/full", a}, summary + u8"写入文件 /dev/full 失败, 磁盘空间不足!\n"},
        // A file the system reports as empty that is not: its size changed.
        {{out, u"/proc/version"},
         std::string(u8"\n1 个文件被打包.\n") + kHyphens + u8"\n/proc/version\t0 字节\n" +
             u8"文件 /proc/version 在打包时被改动, 未生成包!\n"},
    };
    for (const auto& c : cases) {
        testing_support::RunOptions limits;
        limits.maxFileSize = c.maxFileSize;
        const auto result = Quill(c.args, {}, "C.UTF-8", limits);
        EXPECT_EQ(result.output, c.output);
        EXPECT_EQ(result.exitCode, 1) << result.output;
        std::vector<std::string> left;
        for (const auto& item : std::filesystem::directory_iterator(dir.path()))
            left.push_back(item.path().filename().string());
        EXPECT_EQ(left, std::vector<std::string>{"a.xml"});
    }
}

// A small file system of its own that the package cannot fit on.
TEST_F(QuillConsoleTest, FullDiskLeavesNoFileBehind) {
    const testing_support::SmallVolume volume(dir.path() / "volume", "64k");
    if (!volume.mounted()) GTEST_SKIP() << "cannot mount a small file system here";

    const std::u16string input = dir / u"big.pxa",
                         output = testing_support::U16(volume.path() / "out.pak");
    WriteBytes(FsPath(input), testing_support::PatternBytes(200 * 1024, 5));
    WriteBytes(FsPath(output), "an older package");
    const auto result = Quill({output, input});
    EXPECT_EQ(result.exitCode, 1);
    const std::string message =
        std::string(u8"写入文件 ") + FsPath(output).string() + u8" 失败, 磁盘空间不足!\n";
    EXPECT_EQ(
        result.output.substr(result.output.size() - std::min(result.output.size(), message.size())),
        message);
    EXPECT_TRUE(std::filesystem::is_empty(volume.path()));
}

}  // namespace
