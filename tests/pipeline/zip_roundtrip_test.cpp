// zlib and minizip on each target, as the tests write archives and the .kolo
// reader reads them: one entry written, then read back with the unzip side.
#include <gtest/gtest.h>
#include <unzip.h>
#include <zip.h>

#include <filesystem>

#include "tests/support/temp_dir.h"

namespace {

TEST(Minizip, OneDeflatedEntryRoundTrips) {
    testing_support::TempDir dir;
    const std::string archive = (dir.path() / "one.zip").string();
    const std::string contents =
        testing_support::PatternBytes(100000, 7) + std::string(100000, 'z');

    zipFile zip = zipOpen(archive.c_str(), APPEND_STATUS_CREATE);
    ASSERT_NE(zip, nullptr);
    zip_fileinfo info{};
    ASSERT_EQ(zipOpenNewFileInZip(zip, "night.pak", &info, nullptr, 0, nullptr, 0, nullptr,
                                  Z_DEFLATED, 9),
              ZIP_OK);
    ASSERT_EQ(zipWriteInFileInZip(zip, contents.data(), static_cast<unsigned>(contents.size())),
              ZIP_OK);
    ASSERT_EQ(zipCloseFileInZip(zip), ZIP_OK);
    ASSERT_EQ(zipClose(zip, nullptr), ZIP_OK);

    unzFile unzip = unzOpen(archive.c_str());
    ASSERT_NE(unzip, nullptr);
    unz_global_info global;
    ASSERT_EQ(unzGetGlobalInfo(unzip, &global), UNZ_OK);
    EXPECT_EQ(global.number_entry, 1u);
    ASSERT_EQ(unzGoToFirstFile(unzip), UNZ_OK);
    unz_file_info entry;
    char name[64];
    ASSERT_EQ(unzGetCurrentFileInfo(unzip, &entry, name, sizeof name, nullptr, 0, nullptr, 0),
              UNZ_OK);
    EXPECT_STREQ(name, "night.pak");
    EXPECT_EQ(entry.compression_method, static_cast<unsigned long>(Z_DEFLATED));
    EXPECT_LT(entry.compressed_size, contents.size());
    ASSERT_EQ(unzOpenCurrentFile(unzip), UNZ_OK);
    std::string read(contents.size() + 1, '\0');
    EXPECT_EQ(unzReadCurrentFile(unzip, read.data(), static_cast<unsigned>(read.size())),
              static_cast<int>(contents.size()));
    read.resize(contents.size());
    EXPECT_EQ(read, contents);
    unzCloseCurrentFile(unzip);
    unzClose(unzip);
}

}  // namespace
