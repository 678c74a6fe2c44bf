// Reading a .kolo back with minizip's unzip side, independently of the code
// that writes it.
#pragma once

#include <unzip.h>

#include <filesystem>
#include <optional>
#include <string>

namespace testing_support {

struct KoloEntry {
    std::string name;  // as stored: 8-bit
    unsigned long method = 0, flag = 0;
    tm_unz date{};
    std::string data;
};

// The archive's entry, or nothing unless it holds exactly one entry that
// reads back with the right CRC.
std::optional<KoloEntry> ReadSingleEntry(const std::filesystem::path& archive);

}  // namespace testing_support
