#include "pipeline/kolo_reader.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/files.h"
#include "tests/support/kolo_reader.h"
#include "tests/support/temp_dir.h"

namespace pipeline {
namespace {

using testing_support::ReadBytes;
using testing_support::WriteBytes;

class KoloReaderTest : public ::testing::Test {
  protected:
    // Reads the archive to its end: the fault, and with kUnsupportedFlag the
    // bit it names.
    std::pair<KoloFault, unsigned> Read(const std::string& archive) {
        WriteBytes(path, archive);
        KoloReader reader;
        bool ok = reader.Open(*platform::File::OpenForReading(testing_support::U16(path)));
        std::string inflated;
        char buffer[4096];
        for (std::size_t got = 1; ok && got != 0;) {
            ok = reader.Read(buffer, sizeof buffer, got);
            inflated.append(buffer, got);
        }
        ok = ok && reader.Finish();
        EXPECT_EQ(ok, reader.fault() == KoloFault::kNone);
        if (ok) {
            EXPECT_EQ(inflated, contents);
        }
        return {reader.fault(), reader.flagBit()};
    }

    const std::string contents = testing_support::PatternBytes(3000, 5);
    testing_support::TempDir dir;
    std::filesystem::path path = dir.path() / "x.kolo";
};

// Each flag bit, in the central directory or in the local header: the
// deflate options, the data descriptor and the UTF-8 name are read, the
// encryption bits refuse the entry as encrypted, and any other bit as one
// not read.
TEST_F(KoloReaderTest, ReadsTheFlagBitsThatEveryReaderReadsAlike) {
    testing_support::WriteZip(path, {{"x.pak", contents}});
    const std::string archive = ReadBytes(path);
    const std::size_t local = 6, central = archive.find("PK\1\2") + 8;
    const struct {
        unsigned bit;
        KoloFault fault;
    } cases[] = {
        {0, KoloFault::kEncrypted},
        {1, KoloFault::kNone},
        {2, KoloFault::kNone},
        {3, KoloFault::kNone},
        {4, KoloFault::kUnsupportedFlag},
        {5, KoloFault::kUnsupportedFlag},
        {6, KoloFault::kEncrypted},
        {7, KoloFault::kUnsupportedFlag},
        {8, KoloFault::kUnsupportedFlag},
        {9, KoloFault::kUnsupportedFlag},
        {10, KoloFault::kUnsupportedFlag},
        {11, KoloFault::kNone},
        {12, KoloFault::kUnsupportedFlag},
        {13, KoloFault::kEncrypted},
        {14, KoloFault::kUnsupportedFlag},
        {15, KoloFault::kUnsupportedFlag},
    };
    for (const auto& c : cases) {
        for (const std::size_t at : {local, central}) {
            std::string flagged = archive;
            flagged[at + c.bit / 8] = static_cast<char>(flagged[at + c.bit / 8] | 1 << c.bit % 8);
            const unsigned named = c.fault == KoloFault::kUnsupportedFlag ? c.bit : 0;
            EXPECT_EQ(Read(flagged), std::make_pair(c.fault, named))
                << "bit " << c.bit << (at == local ? " in the local header" : " in the directory");
        }
    }
}

// Deflate alone is read: any other method refuses the entry before any of it.
TEST_F(KoloReaderTest, ReadsDeflatedEntriesOnly) {
    testing_support::WriteZip(path, {{"x.pak", contents}});
    const std::string archive = ReadBytes(path);
    const struct {
        char method;
        KoloFault fault;
    } cases[] = {
        {0, KoloFault::kNotDeflated},  // stored
        {7, KoloFault::kNotDeflated},  {8, KoloFault::kNone},
        {9, KoloFault::kNotDeflated},  // deflate64
        {12, KoloFault::kNotDeflated}, {14, KoloFault::kNotDeflated},
    };
    for (const auto& c : cases) {
        std::string packed = archive;
        packed[8] = packed[archive.find("PK\1\2") + 10] = c.method;
        EXPECT_EQ(Read(packed).first, c.fault) << "method " << static_cast<int>(c.method);
    }
}

}  // namespace
}  // namespace pipeline
