// The packer runner with real child processes: the tests' echo_child and
// quill, both built beside this program. On Windows it runs with the GBK
// code page (936), in which the packer's output reads right.
#include <gtest/gtest.h>

#include <filesystem>

#include "pipeline/process_runner.h"
#include "platform/paths.h"
#include "platform/process.h"
#include "tests/support/pak_reader.h"
#include "tests/support/temp_dir.h"

namespace pipeline {
namespace {

const std::u16string kChild = platform::ProgramFileName(u"echo_child");
#ifdef _WIN32
const std::u16string kNewline = u"\r\n";
#else
const std::u16string kNewline = u"\n";
#endif

TEST(ExecuteCommand, CollectsEverythingAChattyChildPrints) {
    std::u16string log = u"before|";
    ASSERT_TRUE(ExecuteCommand(kChild, {u"bytes", u"200000"}, log));
    ASSERT_EQ(log.size(), 7u + 200000u);
    EXPECT_EQ(log.substr(0, 10), u"before|abc");
    EXPECT_EQ(log.back(), u'a' + (200000 - 1) % 26);
}

TEST(ExecuteCommand, ACharacterAcrossTwoReadsStaysWhole) {
    std::u16string log;
    ASSERT_TRUE(ExecuteCommand(kChild, {u"split"}, log));
    EXPECT_EQ(log, std::u16string(8095, u'a') + u"字");
}

TEST(ExecuteCommand, JoinsStandardOutputAndStandardError) {
    std::u16string log;
    ASSERT_TRUE(ExecuteCommand(kChild, {u"streams"}, log));
    EXPECT_EQ(log, u"outerr");
}

// Every argument arrives as it was, however it must be quoted on the way.
TEST(ExecuteCommand, PassesTheArgumentsAsTheyAre) {
    std::u16string log;
    ASSERT_TRUE(ExecuteCommand(
        kChild,
        {u"arguments", u"D:\\夜曲 ☃\\ünï.pak", u"a\"b", u"ends in \\", u"", u"two  blanks\\\\\""},
        log));
    EXPECT_EQ(log, u"same");
}

TEST(ExecuteCommand, AProgramThatCannotStartIsLogged) {
    std::u16string log = u"x";
    EXPECT_FALSE(ExecuteCommand(u"no-such-packer.exe", {u"a.pak", u"b", u"c"}, log));
    EXPECT_EQ(log,
              u"x"
              u"Execute Commnand:no-such-packer.exe  \"a.pak\" \"b\" \"c\" Failure!\n");
}

TEST(QuillProcessPacker, RunsTheRealPackerBesideThisProgram) {
    testing_support::TempDir dir;
    const std::u16string xml = dir / u"夜曲.xml", pxa = dir / u"夜曲.pxa", pak = dir / u"夜曲.pak";
    testing_support::WriteBytes(testing_support::FsPath(xml), "<skin/>");
    testing_support::WriteBytes(testing_support::FsPath(pxa), "PXA");
    QuillProcessPacker packer;
    const PackerRun run = packer.Pack(pak, xml, pxa);
    EXPECT_EQ(run.status, PackerRun::Status::kSucceeded);
    // The summary as the packer prints it, decoded in this program's code page.
    EXPECT_EQ(run.text, kNewline + u"2 个文件被打包." + kNewline + std::u16string(47, u'-') +
                            kNewline + xml + u"\t7 字节" + kNewline + pxa + u"\t3 字节" + kNewline);
    const auto package =
        testing_support::ReadPak(testing_support::ReadBytes(testing_support::FsPath(pak)));
    ASSERT_TRUE(package);
    EXPECT_EQ(package->name, "zafra");
    ASSERT_EQ(package->entries.size(), 2u);
    EXPECT_EQ(package->entries[0].name, u"夜曲.xml");
}

// The dialog application's pipeline, a quill process per skin: a package
// that quill did not make is never wrapped, and a user's file is never lost.
TEST(QuillProcessPacker, APackageIsWrappedOnlyWhenThePackerMadeIt) {
    testing_support::TempDir dir;
    const std::u16string sep(1, platform::kPathSeparator);
    const auto write = [&](std::u16string_view name, const std::string& bytes) {
        testing_support::WriteBytes(dir.path() / testing_support::FsPath(name), bytes);
        return dir / name;
    };
    const auto exists = [&](std::u16string_view name) {
        return std::filesystem::exists(dir.path() / testing_support::FsPath(name));
    };
    QuillProcessPacker packer;
    PackSettings settings;
    settings.mbmFolder = dir / u"";
    const std::u16string out = testing_support::U16(dir.path());

    // An old package stands at the skin's path; the inputs are gone: quill
    // ignores both, makes nothing and says so, and nothing is wrapped.
    write(u"z.pak", "an earlier run's package");
    SkinResult result = PackSkin(packer, settings, out, u"z", dir / u"z.xml", dir / u"z.pxa");
    EXPECT_EQ(result.outcome, SkinOutcome::kPackerFailed);
    EXPECT_EQ(result.packerText, u"文件 " + dir / u"z.xml" + u" 被忽略!\r" + kNewline + u"文件 " +
                                     dir / u"z.pxa" + u" 被忽略!\r" + kNewline +
                                     u"没有可打包的文件, 未生成 " + out + sep + u"z.pak!" +
                                     kNewline);
    EXPECT_FALSE(exists(u"z.pak"));
    EXPECT_FALSE(exists(u"z.kolo"));

    // The user's own x.pak listed as an input beside x.xml.
    const std::u16string userPak = write(u"x.pak", "DATA");
    result = PackSkin(packer, settings, out, u"x", userPak, write(u"x.xml", "XML"));
    EXPECT_EQ(result.outcome, SkinOutcome::kInputIsOutput);
    EXPECT_EQ(testing_support::ReadBytes(testing_support::FsPath(userPak)), "DATA");
    EXPECT_FALSE(exists(u"x.kolo"));
}

}  // namespace
}  // namespace pipeline
