#include "pipeline/kolo.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <map>
#include <thread>

#include <zlib.h>

#include "pipeline/kolo_committer.h"
#include "pipeline/zip_records.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "tests/support/kolo_reader.h"
#include "tests/support/temp_dir.h"

#ifndef _WIN32
#include "tests/support/small_volume.h"
#endif

namespace pipeline {
namespace {

using testing_support::FsPath;
using testing_support::ReadBytes;
using testing_support::ReadSingleEntry;
using testing_support::TempDir;
using testing_support::WriteBytes;
constexpr auto kOk = KoloWriter::Result::kOk;

class KoloTest : public ::testing::Test {
  protected:
    std::vector<std::u16string> Files() const {
        std::vector<std::u16string> names;
        for (const auto& item : std::filesystem::directory_iterator(dir.path())) {
            names.push_back(item.path().filename().u16string());
        }
        std::sort(names.begin(), names.end());
        return names;
    }
    TempDir dir;
    std::u16string pak = dir / u"night.pak";
    std::filesystem::path kolo = dir.path() / "night.kolo";
};

TEST_F(KoloTest, WrapsThePackageAsItsOnlyDeflatedEntry) {
    const std::string bytes = testing_support::PatternBytes(300000, 1) + std::string(300000, 'q');
    WriteBytes(FsPath(pak), bytes);
    ASSERT_EQ(MakeKoloPackage(pak, true), kOk);
    EXPECT_EQ(Files(), (std::vector<std::u16string>{u"night.kolo"}));
    const auto entry = ReadSingleEntry(kolo);
    ASSERT_TRUE(entry);
    EXPECT_EQ(entry->name, "night.pak");
    EXPECT_EQ(entry->method, 8u);
    EXPECT_EQ(entry->flag & 6u, 2u);  // maximum compression
    EXPECT_EQ(entry->data, bytes);
    EXPECT_LT(std::filesystem::file_size(kolo), bytes.size());
    // Dated by the package's creation, moments ago, in local time.
    const std::time_t now = std::time(nullptr);
    const std::tm local = *std::localtime(&now);
    EXPECT_EQ(entry->date.tm_year, static_cast<unsigned>(local.tm_year + 1900));
    EXPECT_EQ(entry->date.tm_mon, static_cast<unsigned>(local.tm_mon));
    EXPECT_EQ(entry->date.tm_mday, static_cast<unsigned>(local.tm_mday));
}

TEST_F(KoloTest, EntryTimeGivenIsStoredInLocalTime) {
    WriteBytes(FsPath(pak), "x");
    const std::time_t moment = 1258000000;  // November 2009
    KoloOptions options;
    options.entryTime = moment;
    ASSERT_EQ(MakeKoloPackage(pak, false, options), kOk);
    const std::tm local = *std::localtime(&moment);
    const auto entry = ReadSingleEntry(kolo);
    ASSERT_TRUE(entry);
    EXPECT_EQ(entry->date.tm_year, static_cast<unsigned>(local.tm_year + 1900));
    EXPECT_EQ(entry->date.tm_mon, static_cast<unsigned>(local.tm_mon));
    EXPECT_EQ(entry->date.tm_mday, static_cast<unsigned>(local.tm_mday));
    EXPECT_EQ(entry->date.tm_hour, static_cast<unsigned>(local.tm_hour));
    EXPECT_EQ(entry->date.tm_min, static_cast<unsigned>(local.tm_min));
    EXPECT_EQ(entry->date.tm_sec, static_cast<unsigned>(local.tm_sec / 2 * 2));
    // Kept when not asked to delete it.
    EXPECT_EQ(Files(), (std::vector<std::u16string>{u"night.kolo", u"night.pak"}));
}

// Up to the whole-buffer limit libdeflate deflates at the level asked; past
// it zlib streams at 9 at most. Either way one standard deflated entry with
// the level's flag bits, and the package's bytes inside it.
TEST_F(KoloTest, EachLevelAndBothSidesOfTheWholeBufferLimit) {
    const std::string head = testing_support::PatternBytes(200000, 5) + std::string(200000, 'k');
    const struct {
        std::uint64_t size;  // past the head, zeros of a sparse file
        int level;
        unsigned long flag;
    } cases[] = {
        {head.size(), 1, 6},   // "super fast"
        {head.size(), 12, 2},  // "maximum", as at 9
        {kWholeBufferLimit, 9, 2},
        {kWholeBufferLimit + 1, 12, 2},
    };
    std::map<int, std::uintmax_t> sizes;
    for (const auto& c : cases) {
        WriteBytes(FsPath(pak), head);
        std::filesystem::resize_file(FsPath(pak), c.size);
        KoloOptions options;
        options.level = c.level;
        ASSERT_EQ(MakeKoloPackage(pak, true, options), kOk) << c.size;
        const auto entry = ReadSingleEntry(kolo);
        ASSERT_TRUE(entry) << c.size;
        EXPECT_EQ(entry->method, 8u);
        EXPECT_EQ(entry->flag & 6u, c.flag) << c.level;
        ASSERT_EQ(entry->data.size(), c.size);
        EXPECT_EQ(entry->data.compare(0, head.size(), head), 0);
        EXPECT_EQ(entry->data.find_first_not_of('\0', head.size()), std::string::npos);
        if (c.size == head.size()) sizes[c.level] = std::filesystem::file_size(kolo);
    }
    EXPECT_LT(sizes[12], sizes[1]);
}

// The memory a package is deflated in serves the packages after it: each
// archive holds its own bytes and none of an earlier, larger package's, at
// its own level.
TEST_F(KoloTest, MemoryKeptForLaterPackagesServesEachAtItsLevel) {
    const struct {
        std::size_t size;
        int level;
    } cases[] = {
        {(1 << 20) + 1, 9}, {3, 9}, {0, 9}, {600000, 1}, {600000, 12}, {600000, 1},
    };
    std::map<int, std::uintmax_t> sizes;
    for (const auto& c : cases) {
        // Numbers that deflate finds more in the harder it looks.
        std::string bytes;
        for (unsigned i = 0; bytes.size() < c.size; ++i) bytes += std::to_string(i * 7919 % 1000);
        bytes.resize(c.size);
        WriteBytes(FsPath(pak), bytes);
        KoloOptions options;
        options.level = c.level;
        ASSERT_EQ(MakeKoloPackage(pak, true, options), kOk) << c.size;
        EXPECT_EQ(ReadSingleEntry(kolo).value().data, bytes) << c.size << " at " << c.level;
        sizes[c.level] = std::filesystem::file_size(kolo);
    }
    EXPECT_LT(sizes[12], sizes[1]);
}

TEST(DosDateTime, EncodesTheFieldsAndClampsToTheFormatsRange) {
    const std::time_t moment = 1258000000;
    const std::tm t = *std::localtime(&moment);
    const uint32_t expected =
        static_cast<uint32_t>((t.tm_mday + (t.tm_mon + 1) * 32 + (t.tm_year - 80) * 512)) << 16 |
        static_cast<uint32_t>(t.tm_sec / 2 + t.tm_min * 32 + t.tm_hour * 2048);
    EXPECT_EQ(DosDateTime(moment), expected);
    // Outside 1980 to 2107 the ends of the range, alike on every system
    // however far off the moment is.
    constexpr std::uint32_t kFirst = (1u + 1u * 32u) << 16;
    constexpr std::uint32_t kLast =
        (31u + 12u * 32u + 127u * 512u) << 16 | (29u + 59u * 32u + 23u * 2048u);
    const std::pair<std::int64_t, std::uint32_t> far[] = {
        {0, kFirst},
        {INT64_MIN, kFirst},
        {4500000000, kLast},  // 2112
        {67768036191676799, kLast},
        {INT64_MAX, kLast},
    };
    for (const auto& [seconds, dos] : far) EXPECT_EQ(DosDateTime(seconds), dos) << seconds;
}

TEST_F(KoloTest, AnEmptyPackageGivesAnEmptyEntry) {
    WriteBytes(FsPath(pak), "");
    ASSERT_EQ(MakeKoloPackage(pak, true), kOk);
    const auto entry = ReadSingleEntry(kolo);
    ASSERT_TRUE(entry);
    EXPECT_EQ(entry->name, "night.pak");
    EXPECT_EQ(entry->data, "");
}

// A failure removes nothing it did not make: an older archive stays whole.
TEST_F(KoloTest, AMissingPackageMakesNoArchiveAndTouchesNothingElse) {
    WriteBytes(dir.path() / "night.xml", "keep");
    EXPECT_NE(MakeKoloPackage(pak, true), kOk);
    EXPECT_EQ(Files(), (std::vector<std::u16string>{u"night.xml"}));
    WriteBytes(kolo, "an older archive");
    EXPECT_NE(MakeKoloPackage(pak, true), kOk);
    EXPECT_EQ(ReadBytes(kolo), "an older archive");
    // A package of 0xFFFFFFFF bytes fits no ZIP archive without ZIP64
    // records, which the player does not read.
    WriteBytes(FsPath(pak), "");
    std::filesystem::resize_file(FsPath(pak), 0xFFFFFFFFu);
    EXPECT_EQ(MakeKoloPackage(pak, true), KoloWriter::Result::kTooLarge);
    EXPECT_EQ(ReadBytes(kolo), "an older archive");
    EXPECT_EQ(std::filesystem::file_size(FsPath(pak)), 0xFFFFFFFFu);
}

// The archive is committed only when its records, read back, say what was
// written: one entry of that name, method, flags, date, CRC and size, and
// nothing more; a record the library gave ZIP64 values is a package too large.
// Each row alters one field of one record: its first byte, or all of it to
// the ZIP64 marker. The versions and the file attributes are the library's
// own and are held against nothing.
TEST_F(KoloTest, ItsRecordsReadBackAsWritten) {
    const std::string bytes = testing_support::PatternBytes(5000, 4);
    WriteBytes(FsPath(pak), bytes);
    KoloOptions options;
    options.entryTime = 1258000000;
    ASSERT_EQ(MakeKoloPackage(pak, false, options), kOk);
    const std::string archive = ReadBytes(kolo);
    const ZipEntryRecord written{
        "night.pak", 2, DosDateTime(*options.entryTime),
        static_cast<std::uint32_t>(crc32(0, reinterpret_cast<const Bytef*>(bytes.data()),
                                         static_cast<uInt>(bytes.size()))),
        bytes.size()};
    const std::size_t central = archive.find("PK\1\2"), end = archive.size() - 22;
    const auto altered = [&](std::size_t at) {
        std::string copy = archive;
        copy[at] ^= 1;
        return copy;
    };
    const auto marked = [&](std::size_t at) {
        return std::string(archive).replace(at, 4, "\xff\xff\xff\xff");
    };
    constexpr auto kDisagree = ZipRecordCheck::kDisagree, kNeedsZip64 = ZipRecordCheck::kNeedsZip64;
    const struct {
        const char* what;
        std::string bytes;
        ZipRecordCheck check;
    } cases[] = {
        {"as written", archive, ZipRecordCheck::kAgree},
        {"local: signature", altered(0), kDisagree},
        {"local: flags", altered(6), kDisagree},
        {"local: method", altered(8), kDisagree},
        {"local: time", altered(10), kDisagree},
        {"local: date", altered(12), kDisagree},
        {"local: CRC", altered(14), kDisagree},
        {"local: compressed size", altered(18), kDisagree},
        {"local: size", altered(22), kDisagree},
        {"local: name length", altered(26), kDisagree},
        {"local: extra field length", altered(28), kDisagree},
        {"local: name", altered(30), kDisagree},
        {"central: signature", altered(central), kDisagree},
        {"central: flags", altered(central + 8), kDisagree},
        {"central: method", altered(central + 10), kDisagree},
        {"central: time", altered(central + 12), kDisagree},
        {"central: date", altered(central + 14), kDisagree},
        {"central: CRC", altered(central + 16), kDisagree},
        {"central: compressed size", altered(central + 20), kDisagree},
        {"central: size", altered(central + 24), kDisagree},
        {"central: name length", altered(central + 28), kDisagree},
        {"central: extra field length", altered(central + 30), kNeedsZip64},
        {"central: comment length", altered(central + 32), kDisagree},
        {"central: disk", altered(central + 34), kDisagree},
        {"central: local header offset", altered(central + 42), kDisagree},
        {"central: name", altered(central + 46), kDisagree},
        {"end: signature", altered(end), kDisagree},
        {"end: disk", altered(end + 4), kDisagree},
        {"end: directory's disk", altered(end + 6), kDisagree},
        {"end: entries on the disk", altered(end + 8), kDisagree},
        {"end: entries", altered(end + 10), kDisagree},
        {"end: directory size", altered(end + 12), kDisagree},
        {"end: directory offset", altered(end + 16), kDisagree},
        {"end: comment length", altered(end + 20), kDisagree},
        {"a byte after the end record", archive + "x", kDisagree},
        {"the last byte cut", archive.substr(0, archive.size() - 1), kDisagree},
        {"central: compressed size as ZIP64", marked(central + 20), kNeedsZip64},
        {"central: size as ZIP64", marked(central + 24), kNeedsZip64},
        {"central: local header offset as ZIP64", marked(central + 42), kNeedsZip64},
        {"end: directory offset as ZIP64", marked(end + 16), kNeedsZip64},
    };
    for (const auto& c : cases) {
        WriteBytes(kolo, c.bytes);
        platform::File file = *platform::File::OpenForReading(testing_support::U16(kolo));
        EXPECT_EQ(CheckZipRecords(file, written), c.check) << c.what;
    }
}

// The archive byte for byte, on both sides of the whole-buffer limit: a
// local header, the deflated bytes, one central directory entry and the
// end record. zlib marks bytes it finds to be text in the internal
// attributes; libdeflate's side never does. DATE stands for the entry's
// date in local time.
TEST_F(KoloTest, TheArchiveByteForByte) {
    using namespace std::string_literals;
    // clang-format off
    // Local header: signature, version needed, flags, method, date, CRC,
    // compressed size, size, name and extra field lengths, name. Central
    // directory entry: signature, version made by, then as the local header
    // with comment length, disk, internal and external attributes and the
    // local header's offset before the name. End record: signature, disks,
    // entries on the disk and in all, the directory's size and offset,
    // comment length.
    const struct {
        std::uint64_t wholeBufferLimit;
        std::string expected;
    } cases[] = {
        {kWholeBufferLimit,  // a stored block: libdeflate found nothing to save
         "PK\3\4" "\x14\0" "\2\0" "\x08\0" "DATE" "\x18\x48\x2d\x46" "\x0e\0\0\0" "\x09\0\0\0"
             "\x09\0" "\0\0" "night.pak"
         "\x01\x09\0\xf6\xff" "abcabcabc"
         "PK\1\2" "\0\0" "\x14\0" "\2\0" "\x08\0" "DATE" "\x18\x48\x2d\x46" "\x0e\0\0\0" "\x09\0\0\0"
             "\x09\0" "\0\0" "\0\0" "\0\0" "\0\0" "\0\0\0\0" "\0\0\0\0" "night.pak"
         "PK\5\6" "\0\0" "\0\0" "\1\0" "\1\0" "\x37\0\0\0" "\x35\0\0\0" "\0\0"s},
        {0,
         "PK\3\4" "\x14\0" "\2\0" "\x08\0" "DATE" "\x18\x48\x2d\x46" "\x07\0\0\0" "\x09\0\0\0"
             "\x09\0" "\0\0" "night.pak"
         "\x4b\x4c\x4a\x4e\x04\x23\0"
         "PK\1\2" "\0\0" "\x14\0" "\2\0" "\x08\0" "DATE" "\x18\x48\x2d\x46" "\x07\0\0\0" "\x09\0\0\0"
             "\x09\0" "\0\0" "\0\0" "\0\0" "\1\0" "\0\0\0\0" "\0\0\0\0" "night.pak"
         "PK\5\6" "\0\0" "\0\0" "\1\0" "\1\0" "\x37\0\0\0" "\x2e\0\0\0" "\0\0"s},
    };
    // clang-format on
    KoloOptions options;
    options.entryTime = 1258000000;
    const std::uint32_t date = DosDateTime(*options.entryTime);
    const std::string dateBytes = {static_cast<char>(date), static_cast<char>(date >> 8),
                                   static_cast<char>(date >> 16), static_cast<char>(date >> 24)};
    for (const auto& c : cases) {
        WriteBytes(FsPath(pak), "abcabcabc");
        options.wholeBufferLimit = c.wholeBufferLimit;
        ASSERT_EQ(MakeKoloPackage(pak, true, options), kOk);
        std::string expected = c.expected;
        for (std::size_t at; (at = expected.find("DATE")) != std::string::npos;)
            expected.replace(at, 4, dateBytes);
        EXPECT_EQ(ReadBytes(kolo), expected) << c.wholeBufferLimit;
    }
}

// The writer takes exactly the bytes announced: more are refused, fewer
// leave no archive, on either side of the whole-buffer limit.
TEST_F(KoloTest, TheWriterTakesExactlyTheSizeItWasGiven) {
    const struct {
        const char* bytes;
        bool written;
        KoloWriter::Result committed;
    } cases[] = {
        {"abc", true, kOk},
        {"ab", true, KoloWriter::Result::kWriteFailed},
        {"abcd", false, KoloWriter::Result::kWriteFailed},
    };
    for (const std::uint64_t limit : {kWholeBufferLimit, std::uint64_t{0}}) {
        for (const auto& c : cases) {
            std::filesystem::remove(kolo);
            KoloOptions options;
            options.wholeBufferLimit = limit;
            KoloWriter writer(pak, 3, 1258000000, options);
            EXPECT_EQ(writer.Write(c.bytes, std::strlen(c.bytes)), c.written) << c.bytes;
            EXPECT_EQ(writer.Commit(), c.committed) << c.bytes << " " << limit;
            EXPECT_EQ(std::filesystem::exists(kolo), c.committed == kOk) << c.bytes;
        }
    }
}

// Handed to a committer, archives of one name take it in the order they
// came, however many it commits at once (the first one here the slowest),
// and all of them before it ends: the last one of each name stands at the
// end.
TEST_F(KoloTest, ACommitterCommitsEachNameInTheOrderHandedOver) {
    const std::u16string dawn = dir / u"dawn.pak";
    for (const std::size_t capacity : {1, 4}) {
        std::vector<PendingCommit> commits;
        {
            std::atomic<bool> first{true};
            KoloCommitter committer(capacity, [&](platform::AtomicFile& archive) {
                if (first.exchange(false))
                    std::this_thread::sleep_for(std::chrono::milliseconds(100));
                return CommitArchive(archive);
            });
            KoloOptions options;
            options.committer = &committer;
            for (const std::string bytes : {"1", "22", "333", "4444", "55555", "666666"}) {
                KoloWriter writer(bytes.size() % 2 ? pak : dawn, bytes.size(), 1258000000, options);
                ASSERT_TRUE(writer.Write(bytes.data(), bytes.size()));
                ASSERT_EQ(writer.Commit(), kOk);
                commits.push_back(writer.pending());
            }
        }
        for (const PendingCommit& commit : commits) {
            ASSERT_EQ(commit.wait_for(std::chrono::seconds(0)), std::future_status::ready);
            EXPECT_EQ(commit.get().result, kOk);
        }
        EXPECT_EQ(Files(), (std::vector<std::u16string>{u"dawn.kolo", u"night.kolo"}));
        EXPECT_EQ(ReadSingleEntry(kolo).value().data, "55555") << capacity;
        EXPECT_EQ(ReadSingleEntry(dir.path() / "dawn.kolo").value().data, "666666") << capacity;
    }
}

TEST_F(KoloTest, ReplacesAnExistingArchive) {
    WriteBytes(kolo, testing_support::PatternBytes(100000, 3));
    WriteBytes(FsPath(pak), "new");
    ASSERT_EQ(MakeKoloPackage(pak, true), kOk);
    const auto entry = ReadSingleEntry(kolo);
    ASSERT_TRUE(entry);
    EXPECT_EQ(entry->data, "new");
}

TEST(KoloPath, ReplacesOnlyTheFilesExtension) {
    const std::u16string sep(1, platform::kPathSeparator);
    const std::pair<std::u16string, std::u16string> cases[] = {
        {u"D:" + sep + u"out" + sep + u"night.pak", u"D:" + sep + u"out" + sep + u"night.kolo"},
        {u"D:" + sep + u"out.v2" + sep + u"night", u"D:" + sep + u"out.v2" + sep + u"night.kolo"},
        {u"night.v2.pak", u"night.v2.kolo"},
    };
    for (const auto& [pak, kolo] : cases) EXPECT_EQ(KoloPathFor(pak), kolo);
}

TEST_F(KoloTest, FolderWithADotAndAPackageWithoutExtension) {
    const std::filesystem::path folder = dir.path() / "skins.v2";
    std::filesystem::create_directory(folder);
    const std::u16string bare = testing_support::U16(folder / "night");
    WriteBytes(FsPath(bare), "bare");
    ASSERT_EQ(MakeKoloPackage(bare, true), kOk);
    const auto entry = ReadSingleEntry(folder / "night.kolo");
    ASSERT_TRUE(entry);
    EXPECT_EQ(entry->name, "night");
    EXPECT_FALSE(std::filesystem::exists(FsPath(bare)));
}

TEST_F(KoloTest, NamesOutsideTheAnsiCodePageAreWrapped) {
    // On Windows the archive and the package are opened by their UTF-16
    // paths, whatever the code page can spell.
    const std::filesystem::path folder = dir.path() / FsPath(u"夜曲 ☃");
    std::filesystem::create_directory(folder);
    const std::u16string unicodePak = testing_support::U16(folder / FsPath(u"ünï.pak"));
    WriteBytes(FsPath(unicodePak), "bytes");
    ASSERT_EQ(MakeKoloPackage(unicodePak, true), kOk);
    EXPECT_TRUE(std::filesystem::exists(folder / FsPath(u"ünï.kolo")));
    EXPECT_FALSE(std::filesystem::exists(FsPath(unicodePak)));
}

#ifndef _WIN32
// A full disk rejects the archive's chunks: the step fails, the package
// stays and no archive is left.
TEST_F(KoloTest, FullDiskKeepsThePackageAndLeavesNoArchive) {
    // Room for the package, not for a second copy of it.
    const testing_support::SmallVolume volume(dir.path() / "volume", "400k");
    if (!volume.mounted()) GTEST_SKIP() << "cannot mount a small file system here";
    const std::u16string fullPak = testing_support::U16(volume.path() / "night.pak");
    WriteBytes(FsPath(fullPak), testing_support::PatternBytes(300 * 1024, 8));
    EXPECT_NE(MakeKoloPackage(fullPak, true), kOk);
    EXPECT_TRUE(std::filesystem::exists(FsPath(fullPak)));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(volume.path()),
                            std::filesystem::directory_iterator()),
              1);
}
#endif

}  // namespace
}  // namespace pipeline
