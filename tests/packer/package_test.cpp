#include "packer/package.h"

#include "packer/pack_texts.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "tests/support/pak_reader.h"
#include "tests/support/temp_dir.h"

namespace quill {
namespace {

using testing_support::FsPath;
using testing_support::PatternBytes;
using testing_support::ReadBytes;
using testing_support::ReadPak;
using testing_support::TempDir;
using testing_support::U16;
using testing_support::WriteBytes;

// The two-file example package: "zafra", night.xml (1000 bytes), night.pxa
// (5000 bytes). Everything before the contents, byte for byte.
const std::string kExampleHead(
    "QUIL"
    "\x01\0\0\0"
    "\0\0\0\0"
    "\0\0\0\0"  // header
    "\x30\0\0\0"
    "\x05\0\0\0"
    "zafra\0\0\0"  // T = 48, L = 5, name, padding
    "\x1c\0\0\0"   // X = 28
    "\x3c\0\0\0"
    "\x70\0\0\0"  // entry 0: name at 60, data at 112
    "\x54\0\0\0"
    "\x58\x04\0\0"  // entry 1: name at 84, data at 1112
    "\x6c\0\0\0"
    "\xe0\x17\0\0"  // end slot: terminator at 108, length 6112
    "\x09\0\0\0"
    "n\0i\0g\0h\0t\0.\0x\0m\0l\0"
    "\0\0"
    "\x09\0\0\0"
    "n\0i\0g\0h\0t\0.\0p\0x\0a\0"
    "\0\0"
    "\0\0\0\0",  // terminator word
    112);

class PackageTest : public ::testing::Test {
  protected:
    std::u16string Input(std::u16string_view name, const std::string& bytes) {
        const std::u16string path = dir / name;
        WriteBytes(FsPath(path), bytes);
        return path;
    }
    std::string Pack(const std::vector<std::u16string>& inputs, std::string_view name = "zafra") {
        Package package;
        for (const auto& input : inputs) EXPECT_EQ(package.AddFile(input), AddResult::kAdded);
        EXPECT_TRUE(package.Prepare(name));
        summary = SummaryText(package.Inputs()).Plain();
        EXPECT_TRUE(package.WriteToFile(output));
        return ReadBytes(FsPath(output));
    }
    bool OnlyFilesAre(std::vector<std::u16string> expected) const {
        std::vector<std::u16string> found;
        for (const auto& item : std::filesystem::directory_iterator(dir.path())) {
            found.push_back(item.path().filename().u16string());
        }
        std::sort(found.begin(), found.end());
        std::sort(expected.begin(), expected.end());
        return found == expected;
    }

    TempDir dir;
    std::u16string summary;  // of the last package packed
    std::u16string output = dir / u"out.pak";
};

TEST_F(PackageTest, WorkedExampleByteForByte) {
    const std::string xml = PatternBytes(1000, 1), pxa = PatternBytes(5000, 2);
    const auto xmlPath = Input(u"night.xml", xml), pxaPath = Input(u"night.pxa", pxa);
    EXPECT_EQ(Pack({xmlPath, pxaPath}), kExampleHead + xml + pxa);
    EXPECT_EQ(summary, u"\n2 个文件被打包.\n-----------------------------------------------\n" +
                           xmlPath + u"\t1000 字节\n" + pxaPath + u"\t5000 字节\n");
}

TEST_F(PackageTest, NameBlockIsPaddedToFourBytes) {
    const auto input = Input(u"a.xml", "x");
    // name length -> name block length
    const std::pair<std::string, uint32_t> cases[] = {
        {"", 8}, {"abcd", 12}, {"abcde", 16}, {"abcdef", 16}, {"abcdefg", 16}, {"abcdefgh", 16}};
    for (const auto& [name, blockLength] : cases) {
        const std::string bytes = Pack({input}, name);
        const auto pak = ReadPak(bytes);
        ASSERT_TRUE(pak) << name;
        EXPECT_EQ(pak->name, name);
        // The index table follows the name block; with one entry it is 20 bytes.
        EXPECT_EQ(bytes.substr(16 + blockLength, 4), std::string("\x14\0\0\0", 4)) << name;
    }
}

TEST_F(PackageTest, EntriesKeepOrderNamesAndContents) {
    std::filesystem::create_directories(dir.path() / "other");
    const auto a = Input(u"skin.xml", "layout");
    const auto empty = Input(u"empty.pxa", "");
    const auto sameName = Input(u"other/skin.xml", "other layout");
    const auto odd = Input(u"夜曲.pxa", PatternBytes(3, 3));
    std::string error;
    const auto pak = ReadPak(Pack({a, empty, a, sameName, odd}), &error);
    ASSERT_TRUE(pak) << error;
    const std::vector<std::pair<std::u16string, std::string>> expected = {
        {u"skin.xml", "layout"},
        {u"empty.pxa", ""},
        {u"skin.xml", "layout"},
        {u"skin.xml", "other layout"},
        {u"夜曲.pxa", PatternBytes(3, 3)}};
    ASSERT_EQ(pak->entries.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(pak->entries[i].name, expected[i].first) << i;
        EXPECT_EQ(pak->entries[i].data, expected[i].second) << i;
    }
    EXPECT_NE(summary.find(empty + u"\t0 字节\n"), std::u16string::npos);
}

TEST_F(PackageTest, NameTableGrowsPastItsFirstBuffer) {
    // 12 records of 4 + 2 * 101 + 2 bytes = 2496 bytes: the table grows twice.
    std::vector<std::u16string> inputs;
    for (char16_t i = 0; i < 12; ++i) {
        inputs.push_back(Input(std::u16string(96, u'a' + i) + u".xml", std::string(1, 'a' + i)));
    }
    std::string error;
    const auto pak = ReadPak(Pack(inputs), &error);
    ASSERT_TRUE(pak) << error;
    ASSERT_EQ(pak->entries.size(), 12u);
    for (size_t i = 0; i < 12; ++i) {
        EXPECT_EQ(pak->entries[i].name, std::u16string(96, u'a' + i) + u".xml");
        EXPECT_EQ(pak->entries[i].data, std::string(1, 'a' + i));
    }
}

TEST_F(PackageTest, ReplacesAnExistingOutputCompletely) {
    WriteBytes(FsPath(output), PatternBytes(100000, 9));
    const auto bytes = Pack({Input(u"a.xml", "abc")});
    EXPECT_TRUE(ReadPak(bytes));
    EXPECT_TRUE(OnlyFilesAre({u"a.xml", u"out.pak"}));
}

TEST_F(PackageTest, PackageNameLimit) {
    const auto input = Input(u"a.xml", "x");
    EXPECT_TRUE(ReadPak(Pack({input}, std::string(kMaxPackageNameLength, 'n'))));
    Package package;
    package.AddFile(input);
    EXPECT_FALSE(package.Prepare(std::string(kMaxPackageNameLength + 1, 'n')));
    EXPECT_EQ(package.error(), PackageError::kNameTooLong);
}

TEST_F(PackageTest, NothingAddedPreparesNothing) {
    Package package;
    EXPECT_EQ(package.AddFile(dir / u"missing.xml"), AddResult::kCannotOpen);
    EXPECT_EQ(package.AddFile(U16(dir.path())), AddResult::kCannotOpen);  // a folder
    EXPECT_FALSE(package.Prepare("zafra"));
    EXPECT_EQ(package.error(), PackageError::kNoEntries);
    EXPECT_TRUE(package.Inputs().empty());
    EXPECT_FALSE(package.WriteToFile(output));
    EXPECT_FALSE(std::filesystem::exists(FsPath(output)));
}

TEST_F(PackageTest, AFailedWriteLeavesNoFile) {
    Package package;
    package.AddFile(Input(u"a.xml", "abc"));
    ASSERT_TRUE(package.Prepare("zafra"));
    EXPECT_FALSE(package.WriteToFile(dir / u"no such folder/out.pak"));
    EXPECT_EQ(package.error(), PackageError::kCreateOutput);
    EXPECT_TRUE(OnlyFilesAre({u"a.xml"}));
}

TEST_F(PackageTest, RefusesToWriteOverOneOfItsInputs) {
    const auto input = Input(u"a.xml", "precious");
    Package package;
    package.AddFile(input);
    ASSERT_TRUE(package.Prepare("zafra"));
    EXPECT_FALSE(package.WriteToFile(input));
    EXPECT_EQ(package.error(), PackageError::kSameAsInput);
    EXPECT_EQ(ReadBytes(FsPath(input)), "precious");
    EXPECT_TRUE(OnlyFilesAre({u"a.xml"}));
}

TEST_F(PackageTest, SizesPastThirtyTwoBits) {
    // Sparse files: nothing of them is ever read.
    const auto huge = dir / u"huge.pxa";
    WriteBytes(FsPath(huge), "");
    std::filesystem::resize_file(FsPath(huge), kPackageSizeLimit);
    Package package;
    EXPECT_EQ(package.AddFile(huge), AddResult::kTooLarge);

    const auto half = dir / u"half.pxa";
    WriteBytes(FsPath(half), "");
    std::filesystem::resize_file(FsPath(half), kPackageSizeLimit / 2);
    EXPECT_EQ(package.AddFile(half), AddResult::kAdded);
    EXPECT_EQ(package.AddFile(half), AddResult::kAdded);
    EXPECT_FALSE(package.Prepare("zafra"));
    EXPECT_EQ(package.error(), PackageError::kTooLarge);
}

TEST_F(PackageTest, InputsCannotChangeWhileAddedOrChangesAreCaught) {
    const auto input = Input(u"a.pxa", PatternBytes(10000, 4));
    Package package;
    package.AddFile(input);
    ASSERT_TRUE(package.Prepare("zafra"));
    // Windows refuses writers while the package holds the file; elsewhere a
    // change is caught when the contents are copied.
    std::error_code truncated;
    std::filesystem::resize_file(FsPath(input), 10, truncated);
#ifdef _WIN32
    EXPECT_TRUE(truncated);
#else
    EXPECT_FALSE(truncated);
#endif
    if (truncated) {
        EXPECT_TRUE(package.WriteToFile(output));
    } else {
        EXPECT_FALSE(package.WriteToFile(output));
        EXPECT_EQ(package.error(), PackageError::kInputChanged);
        EXPECT_EQ(package.failedInput(), input);
        EXPECT_TRUE(OnlyFilesAre({u"a.pxa"}));
    }
}

}  // namespace
}  // namespace quill
