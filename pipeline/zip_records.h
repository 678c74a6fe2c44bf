// The records of a .kolo's ZIP container: made for the writer, and read
// back from the file once it is written, so that the archive is committed
// only when they say what the writer meant them to say.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/files.h"

namespace pipeline {

// What the one entry of a .kolo must record.
struct ZipEntryRecord {
    std::string name;  // 8-bit, as stored
    std::uint16_t flags = 0;
    std::uint32_t dosDateTime = 0;
    std::uint32_t crc = 0;
    std::uint64_t size = 0;
    // 1 where zlib's deflate found the bytes to be text, as minizip records
    // it; no reader acts on it, and the check leaves it alone.
    std::uint16_t internalAttributes = 0;
};

// The records of an archive that holds the entry, of `compressedSize`
// deflated bytes, from its first byte: the local header that comes before
// those bytes, and the central directory and end record after them.
struct ZipRecords {
    std::vector<std::uint8_t> localHeader, directory;
};
ZipRecords MakeZipRecords(const ZipEntryRecord& entry, std::uint32_t compressedSize);

// Where the entry's compressed bytes start: after its local header.
std::uint64_t EntryDataOffset(const ZipEntryRecord& entry);

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
