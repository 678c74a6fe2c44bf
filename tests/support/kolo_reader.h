// Reading a .kolo back with minizip's unzip side, independently of the code
// that writes it.
#pragma once

#include <unzip.h>

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace testing_support {

struct KoloEntry {
    std::string name;  // as stored: 8-bit
    unsigned long method = 0, flag = 0, compressedSize = 0;
    tm_unz date{};
    std::string data;
};

// The archive's entry (in a file, or the archive's bytes), or nothing unless
// it holds exactly one entry that reads back with the right CRC and size.
// Its bytes are read as they come, whatever size the archive claims.
std::optional<KoloEntry> ReadSingleEntry(const std::filesystem::path& archive);
std::optional<KoloEntry> ReadSingleEntryFromBytes(std::string_view archive);

// Writes a ZIP archive of the entries (name and data), each with `method`
// (8 deflate, 0 stored), with ZIP64 extra fields when `zip64` is set: for
// archives that are no .kolo.
void WriteZip(const std::filesystem::path& archive,
              const std::vector<std::pair<std::string, std::string>>& entries, int method = 8,
              bool zip64 = false);

}  // namespace testing_support
