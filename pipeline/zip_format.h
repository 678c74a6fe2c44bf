// The ZIP container of a .kolo as it lies in the file: the records' signatures,
// fixed sizes and field offsets, the flag bits and the method. A .kolo holds
// one entry: its local header, name and deflated data, then the central
// directory's one entry, then the end record. Numbers are little-endian;
// each record's name and extra field follow its fixed part.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace pipeline::zip {

// "PK" and two bytes that say which record follows.
constexpr std::size_t kSignatureSize = 4;

// A 16-bit length: the longest name, extra field or comment.
constexpr std::size_t kMaxFieldLength = 0xFFFF;

// A size or offset of this value stands for "see the ZIP64 record".
constexpr std::uint32_t kZip64Marker = 0xFFFFFFFF;
// The largest size or offset a record holds without ZIP64 records.
constexpr std::uint64_t kMaxSize = kZip64Marker - 1;

// The extra field's ID that marks ZIP64 sizes; each of its fields is a
// 16-bit ID, a 16-bit size and that many bytes.
constexpr unsigned kZip64ExtraField = 0x0001;
constexpr std::size_t kExtraFieldHeaderSize = 4;

constexpr unsigned kDeflated = 8;
// The version a reader needs for a deflated entry: ZIP 2.0, which brought
// deflate.
constexpr unsigned kDeflateVersion = 20;

// General-purpose flag bits.
constexpr unsigned kEncryptedFlag = 1u << 0;
constexpr unsigned kDeflateOptionFlags = 3u << 1;  // the level the writer was asked for
constexpr unsigned kDataDescriptorFlag = 1u << 3;  // the CRC and sizes follow the data too
constexpr unsigned kStrongEncryptionFlag = 1u << 6;
constexpr unsigned kUtf8NameFlag = 1u << 11;
constexpr unsigned kMaskedHeaderFlag = 1u << 13;  // the local header's values are hidden
// What keeps an entry from being read: any of these.
constexpr unsigned kEncryptionFlags = kEncryptedFlag | kStrongEncryptionFlag | kMaskedHeaderFlag;
// The flags a .kolo may carry, which every reader reads alike. With the data
// descriptor's, minizip takes the CRC and sizes from the central directory
// and leaves the local header's, which such writers set to 0, unchecked.
constexpr unsigned kReadFlags = kDeflateOptionFlags | kDataDescriptorFlag | kUtf8NameFlag;

// The fields with which both headers describe their entry, in this order from
// the flags on.
struct EntryFields {
    std::size_t flags, method;
    std::size_t dateTime;  // MS-DOS time in the low half, date in the high half
    std::size_t crc, compressedSize, size, nameLength, extraLength;
};

constexpr EntryFields EntryFieldsFrom(std::size_t flags) {
    return {flags, flags + 2, flags + 4, flags + 8, flags + 12, flags + 16, flags + 20, flags + 22};
}

struct LocalHeader {
    static constexpr std::string_view kSignature{"PK\3\4", kSignatureSize};
    static constexpr std::size_t kVersionNeeded = 4;
    static constexpr EntryFields kEntry = EntryFieldsFrom(6);
    static constexpr std::size_t kSize = 30;
};

struct CentralEntry {
    static constexpr std::string_view kSignature{"PK\1\2", kSignatureSize};
    static constexpr std::size_t kVersionNeeded = 6;
    static constexpr EntryFields kEntry = EntryFieldsFrom(8);
    static constexpr std::size_t kCommentLength = 32;
    static constexpr std::size_t kDiskStart = 34;
    static constexpr std::size_t kInternalAttributes = 36;
    static constexpr std::size_t kLocalHeaderOffset = 42;
    static constexpr std::size_t kSize = 46;
};

struct EndRecord {
    static constexpr std::string_view kSignature{"PK\5\6", kSignatureSize};
    static constexpr std::size_t kDisk = 4;
    static constexpr std::size_t kDirectoryDisk = 6;
    static constexpr std::size_t kDiskEntries = 8;
    static constexpr std::size_t kEntries = 10;
    static constexpr std::size_t kDirectorySize = 12;
    static constexpr std::size_t kDirectoryOffset = 16;
    static constexpr std::size_t kCommentLength = 20;
    static constexpr std::size_t kSize = 22;
};

// In a ZIP64 archive, just before the end record.
struct Zip64Locator {
    static constexpr std::string_view kSignature{"PK\6\7", kSignatureSize};
    static constexpr std::size_t kSize = 20;
};

}  // namespace pipeline::zip
