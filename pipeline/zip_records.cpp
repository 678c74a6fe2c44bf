#include "pipeline/zip_records.h"

#include <cstring>
#include <optional>
#include <vector>

#include "packer/little_endian.h"

namespace pipeline {
namespace {

constexpr std::uint32_t kLocalHeaderSignature = 0x04034b50;
constexpr std::uint32_t kCentralEntrySignature = 0x02014b50;
constexpr std::uint32_t kEndRecordSignature = 0x06054b50;
constexpr std::uint16_t kDeflated = 8;
// Fixed parts of the three records, before the name and the extra field.
constexpr std::size_t kLocalHeaderSize = 30;
constexpr std::size_t kCentralEntrySize = 46;
constexpr std::size_t kEndRecordSize = 22;
constexpr std::uint32_t kZip64Marker = 0xFFFFFFFF;

// Little-endian fields of a record held in memory.
class Fields {
  public:
    explicit Fields(std::vector<std::uint8_t> bytes) : m_bytes(std::move(bytes)) {}
    std::uint32_t U16(std::size_t at) const { return quill::LoadUInt16(m_bytes.data() + at); }
    std::uint32_t U32(std::size_t at) const { return quill::LoadUInt32(m_bytes.data() + at); }
    bool NameIs(std::size_t at, const std::string& name) const {
        return m_bytes.size() >= at + name.size() &&
               std::memcmp(m_bytes.data() + at, name.data(), name.size()) == 0;
    }

  private:
    std::vector<std::uint8_t> m_bytes;
};

std::optional<Fields> ReadAt(platform::File& file, std::uint64_t offset, std::size_t size) {
    std::vector<std::uint8_t> bytes(size);
    std::size_t got = 0;
    if (!file.Seek(offset) || file.Read(bytes.data(), size, got) != platform::IoResult::kOk ||
        got != size) {
        return std::nullopt;
    }
    return Fields(std::move(bytes));
}

}  // namespace

ZipRecordCheck CheckZipRecords(platform::File& file, const ZipEntryRecord& expected) {
    const auto length = file.Size();
    const std::size_t name = expected.name.size();
    if (!length || *length < kLocalHeaderSize + name + kCentralEntrySize + name + kEndRecordSize)
        return ZipRecordCheck::kDisagree;
    const auto end = ReadAt(file, *length - kEndRecordSize, kEndRecordSize);
    const auto local = ReadAt(file, 0, kLocalHeaderSize + name);
    if (!end || !local || end->U32(0) != kEndRecordSignature) return ZipRecordCheck::kDisagree;
    const std::uint32_t directorySize = end->U32(12), directoryOffset = end->U32(16);
    if (directoryOffset == kZip64Marker) return ZipRecordCheck::kNeedsZip64;
    const auto central = ReadAt(file, directoryOffset, kCentralEntrySize + name);
    if (!central) return ZipRecordCheck::kDisagree;
    const std::uint32_t compressed = central->U32(20);
    if (compressed == kZip64Marker || central->U32(24) == kZip64Marker ||
        central->U32(42) == kZip64Marker || central->U16(30) != 0) {
        return ZipRecordCheck::kNeedsZip64;  // the library's ZIP64 extra field or markers
    }
    const bool endAgrees =
        end->U16(4) == 0 && end->U16(6) == 0 && end->U16(8) == 1 && end->U16(10) == 1 &&
        end->U16(20) == 0 && directorySize == kCentralEntrySize + name &&
        static_cast<std::uint64_t>(directoryOffset) + directorySize + kEndRecordSize == *length;
    // Both headers carry the same description of the entry.
    const auto describes = [&](const Fields& record, std::size_t at) {
        return record.U16(at) == expected.flags && record.U16(at + 2) == kDeflated &&
               record.U32(at + 4) == expected.dosDateTime && record.U32(at + 8) == expected.crc &&
               record.U32(at + 12) == compressed && record.U32(at + 16) == expected.size &&
               record.U16(at + 20) == name;
    };
    const bool localAgrees = local->U32(0) == kLocalHeaderSignature && describes(*local, 6) &&
                             local->U16(28) == 0 && local->NameIs(kLocalHeaderSize, expected.name);
    const bool centralAgrees =
        central->U32(0) == kCentralEntrySignature && describes(*central, 8) &&
        central->U16(32) == 0 && central->U16(34) == 0 && central->U32(42) == 0 &&
        central->NameIs(kCentralEntrySize, expected.name) &&
        kLocalHeaderSize + name + static_cast<std::uint64_t>(compressed) == directoryOffset;
    return endAgrees && localAgrees && centralAgrees ? ZipRecordCheck::kAgree
                                                     : ZipRecordCheck::kDisagree;
}

namespace {

// ZIP 2.0, which brought deflate.
constexpr std::uint16_t kVersionNeeded = 20;

// The description of the entry that both headers carry, from `at`, as the
// check above reads it.
void PutDescription(std::uint8_t* at, const ZipEntryRecord& entry, std::uint32_t compressed) {
    quill::StoreUInt16(at, entry.flags);
    quill::StoreUInt16(at + 2, kDeflated);
    quill::StoreUInt32(at + 4, entry.dosDateTime);
    quill::StoreUInt32(at + 8, entry.crc);
    quill::StoreUInt32(at + 12, compressed);
    quill::StoreUInt32(at + 16, static_cast<std::uint32_t>(entry.size));
    quill::StoreUInt16(at + 20, static_cast<std::uint16_t>(entry.name.size()));
}

}  // namespace

std::uint64_t EntryDataOffset(const ZipEntryRecord& entry) {
    return kLocalHeaderSize + entry.name.size();
}

ZipRecords MakeZipRecords(const ZipEntryRecord& entry, std::uint32_t compressedSize) {
    const std::size_t name = entry.name.size();
    ZipRecords records;
    // Every field not set here is 0: no extra field, comment, disk number or
    // external attributes, the entry at offset 0.
    std::vector<std::uint8_t>& local = records.localHeader;
    local.assign(kLocalHeaderSize, 0);
    quill::StoreUInt32(&local[0], kLocalHeaderSignature);
    quill::StoreUInt16(&local[4], kVersionNeeded);
    PutDescription(&local[6], entry, compressedSize);
    local.insert(local.end(), entry.name.begin(), entry.name.end());

    std::vector<std::uint8_t>& directory = records.directory;
    directory.assign(kCentralEntrySize, 0);
    quill::StoreUInt32(&directory[0], kCentralEntrySignature);
    quill::StoreUInt16(&directory[6], kVersionNeeded);
    PutDescription(&directory[8], entry, compressedSize);
    quill::StoreUInt16(&directory[36], entry.internalAttributes);
    directory.insert(directory.end(), entry.name.begin(), entry.name.end());
    const std::size_t end = directory.size();
    directory.resize(end + kEndRecordSize, 0);
    quill::StoreUInt32(&directory[end], kEndRecordSignature);
    quill::StoreUInt16(&directory[end + 8], 1);
    quill::StoreUInt16(&directory[end + 10], 1);
    quill::StoreUInt32(&directory[end + 12], static_cast<std::uint32_t>(kCentralEntrySize + name));
    quill::StoreUInt32(&directory[end + 16],
                       static_cast<std::uint32_t>(EntryDataOffset(entry) + compressedSize));
    return records;
}

}  // namespace pipeline
