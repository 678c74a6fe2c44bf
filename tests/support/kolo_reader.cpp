#include "tests/support/kolo_reader.h"

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
        entry.date = info.tmu_date;
        entry.data.resize(info.uncompressed_size);
        ok = unzReadCurrentFile(zip, entry.data.data(), static_cast<unsigned>(entry.data.size())) ==
             static_cast<int>(entry.data.size());
        ok = unzCloseCurrentFile(zip) == UNZ_OK && ok;  // checks the CRC
    }
    unzClose(zip);
    if (!ok) return std::nullopt;
    return entry;
}

}  // namespace testing_support
