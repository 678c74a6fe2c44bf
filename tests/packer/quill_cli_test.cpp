// The packer's command line as a black box: the real program, real files.
#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>

#include "platform/text.h"
#include "tests/packer/quill_cli_test.h"
#include "tests/support/pak_reader.h"
#include "tests/support/temp_dir.h"

namespace {

using quill_test::Quill;
using testing_support::ExitStatusMinusOne;
using testing_support::FsPath;
using testing_support::ReadBytes;
using testing_support::ReadPak;
using testing_support::TempDir;
using testing_support::WriteBytes;

class QuillTest : public ::testing::Test {
  protected:
    void SetUp() override {
        WriteBytes(FsPath(a), "<skin/>");
        WriteBytes(FsPath(b), "PXA!");
        std::filesystem::create_directory(FsPath(folder));
    }
    // The names and contents of the package at `path`, or a failure.
    std::vector<std::pair<std::u16string, std::string>> EntriesOf(const std::u16string& path,
                                                                  std::string* name = nullptr) {
        std::string error;
        const auto pak = ReadPak(ReadBytes(FsPath(path)), &error);
        EXPECT_TRUE(pak) << error;
        std::vector<std::pair<std::u16string, std::string>> entries;
        if (!pak) return entries;
        if (name) *name = pak->name;
        for (const auto& entry : pak->entries) entries.emplace_back(entry.name, entry.data);
        return entries;
    }
    bool Exists(const std::u16string& path) { return std::filesystem::exists(FsPath(path)); }

    TempDir dir;
    std::u16string out = dir / u"out.pak", a = dir / u"a.xml", b = dir / u"b.pxa",
                   folder = dir / u"sub";
};

using EntryList = std::vector<std::pair<std::u16string, std::string>>;

TEST_F(QuillTest, TooFewArgumentsPrintUsage) {
    for (const auto& args : {std::vector<std::u16string>{out}, {u"-n", u"demo", out}, {}}) {
        const auto result = Quill(args);
        EXPECT_EQ(result.exitCode, ExitStatusMinusOne());
        EXPECT_NE(result.output.find("[-n "), std::string::npos);
        EXPECT_FALSE(Exists(out));
    }
}

TEST_F(QuillTest, DefaultAndGivenPackageNames) {
    std::string name;
    ASSERT_EQ(Quill({out, a}).exitCode, 0);
    EXPECT_EQ(EntriesOf(out, &name), (EntryList{{u"a.xml", "<skin/>"}}));
    EXPECT_EQ(name, "zafra");

    ASSERT_EQ(Quill({u"-n", u"demo", out, a}).exitCode, 0);
    EntriesOf(out, &name);
    EXPECT_EQ(name, "demo");

    ASSERT_EQ(Quill({u"-n", u"", out, a}).exitCode, 0);
    EntriesOf(out, &name);
    EXPECT_EQ(name, "");
}

TEST_F(QuillTest, DashNCountsOnlyInFirstPlaceAndOnlyInLowerCase) {
    // Elsewhere "-n" is an input path, here a missing one.
    auto result = Quill({out, u"-n", a});
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_NE(result.output.find(" -n "), std::string::npos);
    EXPECT_EQ(EntriesOf(out), (EntryList{{u"a.xml", "<skin/>"}}));

    // "-N" is the output path; everything after it is an input.
    WriteBytes(FsPath(dir / u"x"), "x");
    WriteBytes(FsPath(out), "old");
    result = Quill({u"-N", u"x", u"out.pak", u"a.xml"}, dir / u"");
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(EntriesOf(dir / u"-N"),
              (EntryList{{u"x", "x"}, {u"out.pak", "old"}, {u"a.xml", "<skin/>"}}));
}

TEST_F(QuillTest, InputsInCommandLineOrderWithRepeatsAndGaps) {
    const auto result = Quill({out, a, b, dir / u"missing.xml", folder, a});
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(EntriesOf(out),
              (EntryList{{u"a.xml", "<skin/>"}, {u"b.pxa", "PXA!"}, {u"a.xml", "<skin/>"}}));
    // The missing file gets a notice, the folder is passed over silently.
    EXPECT_NE(result.output.find("missing.xml"), std::string::npos);
    EXPECT_EQ(result.output.find("sub"), std::string::npos);
}

// Whatever stood at the output path would have been replaced: after a
// failure it must not pass for the package.
TEST_F(QuillTest, EveryFailureLeavesNoFileAtTheOutput) {
    const auto half = dir / u"half.pxa";
    WriteBytes(FsPath(half), "");
    std::filesystem::resize_file(FsPath(half), 1ull << 31);
    const std::vector<std::u16string> cases[] = {
        {out, dir / u"missing.xml", folder},          // nothing to pack
        {u"-n", std::u16string(1017, u'n'), out, a},  // a name over 1016 bytes
        {out, half, half},                            // 4 GiB in all
    };
    for (const auto& args : cases) {
        WriteBytes(FsPath(out), "old");
        EXPECT_EQ(Quill(args).exitCode, 1);
        EXPECT_FALSE(Exists(out));
    }
    EXPECT_EQ(Quill({u"-n", std::u16string(1016, u'n'), out, a}).exitCode, 0);
}

// A device is written into, not replaced, and never removed.
TEST_F(QuillTest, WritesIntoADevice) {
#ifdef _WIN32
    const std::u16string device = u"NUL";
#else
    // Through a link, so that a fault removes the link, not the device.
    const std::u16string device = dir / u"null";
    std::filesystem::create_symlink("/dev/null", FsPath(device));
#endif
    EXPECT_EQ(Quill({device, a}, dir / u"").exitCode, 0);
    EXPECT_EQ(Quill({device, dir / u"missing.xml"}, dir / u"").exitCode, 1);
#ifndef _WIN32
    EXPECT_TRUE(std::filesystem::is_symlink(FsPath(device)));
#endif
    // Nothing was made beside it.
    for (const auto& item : std::filesystem::directory_iterator(dir.path()))
        EXPECT_NE(item.path().extension(), ".tmp");
}

#ifdef _WIN32
// A device name opens the device, which may wait for ever (AUX, COM1): such
// an input is passed over like a folder, even where a file of that name
// lies on the disk (written through the long form of its path, which has no
// device names).
TEST_F(QuillTest, DeviceNamesAreNoInputs) {
    for (const char16_t* name : {u"aux.xml", u"com1.pxa", u"nul.xml", u"con.xml"}) {
        const std::u16string onDisk = u"\\\\?\\" + dir / name;
        WriteBytes(FsPath(onDisk), "on the disk");
        EXPECT_EQ(Quill({out, name, u"a.xml"}, dir / u"").exitCode, 0);
        EXPECT_EQ(EntriesOf(out), (EntryList{{u"a.xml", "<skin/>"}}));
        // Removed the same way: the folder's removal would stop at it.
        std::filesystem::remove(FsPath(onDisk));
    }
}
#else
// Files the system refuses for a reason of its own fail the package, with
// that reason; they are never left out without a word.
TEST_F(QuillTest, InputsBeyondTheOpenFileLimitFailThePackage) {
    std::vector<std::u16string> args = {out};
    for (int i = 0; i < 200; ++i) args.push_back(a);
    testing_support::RunOptions options;
    options.environment = {{"LC_ALL", "C.UTF-8"}};
    options.maxOpenFiles = 64;
    const auto result = testing_support::RunProgram("quill", args, options);
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_NE(result.output.find("打开文件 " + platform::ToThreadAnsi(a) + " 失败: "),
              std::string::npos)
        << result.output;
    EXPECT_FALSE(Exists(out));
}

// Stopped while it writes, quill removes its temporary file and ends as the
// signal says; a reader that goes away costs the summary, not the package.
TEST_F(QuillTest, StoppedItLeavesNothingAndAClosedPipeCostsOnlyTheSummary) {
    const auto big = dir / u"big.pxa";
    WriteBytes(FsPath(big), "");
    std::filesystem::resize_file(FsPath(big), 3ull << 30);
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
        testing_support::RunOptions options;
        options.signal = signal;
        options.signalAfter = std::chrono::milliseconds(300);
        EXPECT_EQ(testing_support::RunProgram("quill", {out, big}, options).signal, signal);
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()),
                                std::filesystem::directory_iterator()),
                  4);  // a.xml, b.pxa, sub, big.pxa
    }
    // A summary larger than the pipe holds, and a reader that reads 10 bytes.
    const std::u16string longName = dir / (std::u16string(100, u'x') + u".xml");
    WriteBytes(FsPath(longName), "x");
    std::string command = "'" + platform::ToThreadAnsi(testing_support::ProgramPath("quill")) +
                          "' '" + platform::ToThreadAnsi(out) + "'";
    for (int i = 0; i < 700; ++i) command += " '" + platform::ToThreadAnsi(longName) + "'";
    ASSERT_EQ(std::system((command + " | head -c 10 >/dev/null").c_str()), 0);
    EXPECT_EQ(EntriesOf(out).size(), 700u);
}
#endif

TEST_F(QuillTest, OutputNamingAnInputIsRefused) {
    EXPECT_EQ(Quill({a, b, a}).exitCode, 1);
    EXPECT_EQ(ReadBytes(FsPath(a)), "<skin/>");
    // The same file by another spelling of its path.
    EXPECT_EQ(Quill({dir / u"sub/../b.pxa", b}).exitCode, 1);
    EXPECT_EQ(ReadBytes(FsPath(b)), "PXA!");
}

TEST_F(QuillTest, MissingOutputFolderFailsWithoutAFile) {
    const auto result = Quill({dir / u"nowhere/out.pak", a});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_FALSE(Exists(dir / u"nowhere"));
    // The summary is printed first.
    EXPECT_NE(result.output.find("a.xml"), std::string::npos);
}

TEST_F(QuillTest, InputOfFourGigabytesIsIgnored) {
    const auto huge = dir / u"huge.pxa";
    WriteBytes(FsPath(huge), "");
    std::filesystem::resize_file(FsPath(huge), 1ull << 32);
    const auto result = Quill({out, huge, a});
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_NE(result.output.find("huge.pxa"), std::string::npos);
    EXPECT_EQ(EntriesOf(out), (EntryList{{u"a.xml", "<skin/>"}}));
}

}  // namespace
