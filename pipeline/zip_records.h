// The records of a .kolo's ZIP container, read back from the file once the
// library has written it: the archive is committed only when they say what
// the writer meant them to say.
#pragma once

#include <cstdint>
#include <string>

#include "platform/files.h"

namespace pipeline {

// What the one entry of a .kolo must record.
struct ZipEntryRecord {
    std::string name;  // 8-bit, as stored
    std::uint16_t flags = 0;
    std::uint32_t dosDateTime = 0;
    std::uint32_t crc = 0;
    std::uint64_t size = 0;
};

enum class ZipRecordCheck {
    kAgree,
    kNeedsZip64,  // a size or offset went past zip::kMaxSize: the library wrote ZIP64 records
    kDisagree,    // a record says other than what was written, or is missing
};

// Reads the local header, the central directory entry and the end record of
// an archive of one deflated entry from `file` (any position; it is moved)
// and holds them against `expected`: one entry of that name, method,
// flags, date, CRC and size, its compressed data between the local header
// and the central directory, and nothing after the end record.
ZipRecordCheck CheckZipRecords(platform::File& file, const ZipEntryRecord& expected);

}  // namespace pipeline
