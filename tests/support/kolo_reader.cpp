#include "tests/support/kolo_reader.h"

#include <zip.h>

#include <stdexcept>

namespace testing_support {

std::optional<KoloEntry> ReadSingleEntry(const std::filesystem::path& archive) {
    unzFile zip = unzOpen64(archive.string().c_str());
    if (!zip) return std::nullopt;
    unz_global_info global;
    KoloEntry entry;
    unz_file_info info;
    char name[512];
    bool ok =
        unzGetGlobalInfo(zip, &global) == UNZ_OK && global.number_entry == 1 &&
        unzGoToFirstFile(zip) == UNZ_OK &&
        unzGetCurrentFileInfo(zip, &info, name, sizeof name, nullptr, 0, nullptr, 0) == UNZ_OK &&
        unzOpenCurrentFile(zip) == UNZ_OK;
    if (ok) {
        entry.name = name;
        entry.method = info.compression_method;
        entry.flag = info.flag;
        entry.compressedSize = info.compressed_size;
        entry.date = info.tmu_date;
        char chunk[65536];
        int got;
        while ((got = unzReadCurrentFile(zip, chunk, sizeof chunk)) > 0)
            entry.data.append(chunk, got);
        ok = got == 0 && entry.data.size() == info.uncompressed_size;
        ok = unzCloseCurrentFile(zip) == UNZ_OK && ok;  // checks the CRC
    }
    unzClose(zip);
    if (!ok) return std::nullopt;
    return entry;
}

void WriteZip(const std::filesystem::path& archive,
              const std::vector<std::pair<std::string, std::string>>& entries, int method,
              bool zip64) {
    zipFile zip = zipOpen64(archive.string().c_str(), APPEND_STATUS_CREATE);
    bool ok = zip != nullptr;
    for (const auto& [name, data] : entries) {
        zip_fileinfo info{};
        ok = ok &&
             zipOpenNewFileInZip64(zip, name.c_str(), &info, nullptr, 0, nullptr, 0, nullptr,
                                   method, method == 0 ? 0 : 9, zip64) == ZIP_OK &&
             zipWriteInFileInZip(zip, data.data(), static_cast<unsigned>(data.size())) == ZIP_OK &&
             zipCloseFileInZip(zip) == ZIP_OK;
    }
    if (zip) ok = zipClose(zip, nullptr) == ZIP_OK && ok;
    if (!ok) throw std::runtime_error("cannot write " + archive.string());
}

}  // namespace testing_support
