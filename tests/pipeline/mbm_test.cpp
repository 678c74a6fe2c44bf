#include "pipeline/mbm.h"

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <thread>

#include "platform/paths.h"
#include "tests/support/temp_dir.h"

namespace pipeline {
namespace {

using testing_support::FsPath;
using testing_support::ReadBytes;
using testing_support::TempDir;
using testing_support::WriteBytes;

class MbmTest : public ::testing::Test {
  protected:
    std::u16string Source(std::u16string_view name, const std::string& bytes) {
        const std::u16string path = sources / name;
        WriteBytes(FsPath(path), bytes);
        return path;
    }
    std::u16string Prepare(std::u16string_view source) {
        return PrepareMbmFile(source, testing_support::U16(temp.path()) + platform::kPathSeparator);
    }
    TempDir sources, temp;
};

TEST_F(MbmTest, CopyInTheTemporaryFolderMarkedWithAnS) {
    const std::string bytes =
        "\x37\x00\x00\x10 multi-bitmap" + testing_support::PatternBytes(5000, 2);
    const auto source = Source(u"night.mbm", bytes);
    const std::u16string prepared = Prepare(source);
    EXPECT_EQ(FsPath(prepared), temp.path() / "night.pxa");
    EXPECT_EQ(ReadBytes(FsPath(prepared)), "s" + bytes.substr(1));
    EXPECT_EQ(ReadBytes(FsPath(source)), bytes);
}

TEST_F(MbmTest, NamesLoseOnlyTheirLastExtension) {
    EXPECT_EQ(FsPath(Prepare(Source(u"a.b.mbm", "xyz"))), temp.path() / "a.b.pxa");
    EXPECT_EQ(FsPath(Prepare(Source(u"夜曲.MBM", "xyz"))), temp.path() / FsPath(u"夜曲.pxa"));
}

TEST_F(MbmTest, AnEmptySourceGrowsToTheOneMarkByte) {
    EXPECT_EQ(ReadBytes(FsPath(Prepare(Source(u"empty.mbm", "")))), "s");
}

TEST_F(MbmTest, AReadOnlySourceIsPreparedToo) {
    const auto source = Source(u"locked.mbm", "MBM");
    std::filesystem::permissions(FsPath(source), std::filesystem::perms::owner_write,
                                 std::filesystem::perm_options::remove);
    const std::u16string prepared = Prepare(source);
    ASSERT_FALSE(prepared.empty());
    EXPECT_EQ(ReadBytes(FsPath(prepared)), "sBM");
    EXPECT_EQ(ReadBytes(FsPath(source)), "MBM");
    // A second run replaces the earlier copy.
    EXPECT_EQ(Prepare(source), prepared);
}

TEST_F(MbmTest, NoCopyNoPath) {
    EXPECT_EQ(Prepare(sources / u"missing.mbm"), u"");
    const std::u16string mbm = Source(u"night.mbm", "MBM");
    EXPECT_EQ(PrepareMbmFile(
                  mbm, testing_support::U16(temp.path() / "missing") + platform::kPathSeparator),
              u"");
    EXPECT_EQ(PrepareMbmFile(mbm, u""), u"");
}

#ifndef _WIN32
// A link planted at the copy's name, before or while copies are made, is
// replaced and never followed: the file it points at keeps bytes and mode.
TEST_F(MbmTest, ALinkAtTheCopysNameIsNeverFollowed) {
    namespace fs = std::filesystem;
    const fs::path victim = sources.path() / "victim", planted = temp.path() / "night.pxa";
    WriteBytes(victim, "secret");
    fs::permissions(victim, fs::perms::owner_read | fs::perms::owner_write);
    fs::create_symlink(victim, planted);
    const auto source = Source(u"night.mbm", "MBM");
    EXPECT_EQ(ReadBytes(FsPath(Prepare(source))), "sBM");
    EXPECT_FALSE(fs::is_symlink(planted));

    std::atomic<bool> done{false};
    std::thread planter([&] {
        while (!done) {
            std::error_code ignored;
            fs::remove(planted, ignored);
            fs::create_symlink(victim, planted, ignored);
        }
    });
    for (int i = 0; i < 300; ++i) Prepare(source);
    done = true;
    planter.join();
    EXPECT_EQ(ReadBytes(victim), "secret");
    EXPECT_EQ(fs::status(victim).permissions(), fs::perms::owner_read | fs::perms::owner_write);
}
#endif

}  // namespace
}  // namespace pipeline
