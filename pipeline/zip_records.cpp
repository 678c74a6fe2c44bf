#include "pipeline/zip_records.h"

#include <cstring>
#include <optional>
#include <string_view>
#include <vector>

#include "pipeline/zip_format.h"
#include "platform/little_endian.h"

namespace pipeline {
namespace {

using zip::CentralEntry;
using zip::EndRecord;
using zip::LocalHeader;

// Little-endian fields of a record held in memory.
class Fields {
  public:
    explicit Fields(std::vector<std::uint8_t> bytes) : m_bytes(std::move(bytes)) {}
    std::uint32_t U16(std::size_t at) const { return platform::LoadUInt16(m_bytes.data() + at); }
    std::uint32_t U32(std::size_t at) const { return platform::LoadUInt32(m_bytes.data() + at); }
    bool BytesAre(std::size_t at, std::string_view bytes) const {
        return m_bytes.size() >= at + bytes.size() &&
               std::memcmp(m_bytes.data() + at, bytes.data(), bytes.size()) == 0;
    }

  private:
    std::vector<std::uint8_t> m_bytes;
};

std::optional<Fields> ReadAt(platform::File& file, std::uint64_t offset, std::size_t size) {
    std::vector<std::uint8_t> bytes(size);
    if (!file.Seek(offset)) return std::nullopt;
    const platform::ErrorOr<std::size_t> got = file.Read(bytes.data(), size);
    if (!got || *got != size) return std::nullopt;
    return Fields(std::move(bytes));
}

}  // namespace

ZipRecordCheck CheckZipRecords(platform::File& file, const ZipEntryRecord& expected) {
    const auto length = file.Size();
    const std::size_t name = expected.name.size();
    if (!length ||
        *length < LocalHeader::kSize + name + CentralEntry::kSize + name + EndRecord::kSize)
        return ZipRecordCheck::kDisagree;
    const auto end = ReadAt(file, *length - EndRecord::kSize, EndRecord::kSize);
    const auto local = ReadAt(file, 0, LocalHeader::kSize + name);
    if (!end || !local || !end->BytesAre(0, EndRecord::kSignature))
        return ZipRecordCheck::kDisagree;
    const std::uint32_t directorySize = end->U32(EndRecord::kDirectorySize),
                        directoryOffset = end->U32(EndRecord::kDirectoryOffset);
    if (directoryOffset == zip::kZip64Marker) return ZipRecordCheck::kNeedsZip64;
    const auto central = ReadAt(file, directoryOffset, CentralEntry::kSize + name);
    if (!central) return ZipRecordCheck::kDisagree;
    const std::uint32_t compressed = central->U32(CentralEntry::kEntry.compressedSize);
    if (compressed == zip::kZip64Marker ||
        central->U32(CentralEntry::kEntry.size) == zip::kZip64Marker ||
        central->U32(CentralEntry::kLocalHeaderOffset) == zip::kZip64Marker ||
        central->U16(CentralEntry::kEntry.extraLength) != 0) {
        return ZipRecordCheck::kNeedsZip64;  // the library's ZIP64 extra field or markers
    }
    const bool endAgrees =
        end->U16(EndRecord::kDisk) == 0 && end->U16(EndRecord::kDirectoryDisk) == 0 &&
        end->U16(EndRecord::kDiskEntries) == 1 && end->U16(EndRecord::kEntries) == 1 &&
        end->U16(EndRecord::kCommentLength) == 0 && directorySize == CentralEntry::kSize + name &&
        static_cast<std::uint64_t>(directoryOffset) + directorySize + EndRecord::kSize == *length;
    // Both headers carry the same description of the entry.
    const auto describes = [&](const Fields& record, const zip::EntryFields& at) {
        return record.U16(at.flags) == expected.flags && record.U16(at.method) == zip::kDeflated &&
               record.U32(at.dateTime) == expected.dosDateTime &&
               record.U32(at.crc) == expected.crc && record.U32(at.compressedSize) == compressed &&
               record.U32(at.size) == expected.size && record.U16(at.nameLength) == name;
    };
    const bool localAgrees = local->BytesAre(0, LocalHeader::kSignature) &&
                             describes(*local, LocalHeader::kEntry) &&
                             local->U16(LocalHeader::kEntry.extraLength) == 0 &&
                             local->BytesAre(LocalHeader::kSize, expected.name);
    const bool centralAgrees =
        central->BytesAre(0, CentralEntry::kSignature) &&
        describes(*central, CentralEntry::kEntry) &&
        central->U16(CentralEntry::kCommentLength) == 0 &&
        central->U16(CentralEntry::kDiskStart) == 0 &&
        central->U32(CentralEntry::kLocalHeaderOffset) == 0 &&
        central->BytesAre(CentralEntry::kSize, expected.name) &&
        LocalHeader::kSize + name + static_cast<std::uint64_t>(compressed) == directoryOffset;
    return endAgrees && localAgrees && centralAgrees ? ZipRecordCheck::kAgree
                                                     : ZipRecordCheck::kDisagree;
}

namespace {

// The description of the entry that both headers carry, at `at`'s fields.
void PutDescription(std::uint8_t* record, const zip::EntryFields& at, const ZipEntryRecord& entry,
                    std::uint32_t compressed) {
    platform::StoreUInt16(record + at.flags, entry.flags);
    platform::StoreUInt16(record + at.method, zip::kDeflated);
    platform::StoreUInt32(record + at.dateTime, entry.dosDateTime);
    platform::StoreUInt32(record + at.crc, entry.crc);
    platform::StoreUInt32(record + at.compressedSize, compressed);
    platform::StoreUInt32(record + at.size, static_cast<std::uint32_t>(entry.size));
    platform::StoreUInt16(record + at.nameLength, static_cast<std::uint16_t>(entry.name.size()));
}

void PutSignature(std::uint8_t* record, std::string_view signature) {
    std::memcpy(record, signature.data(), signature.size());
}

}  // namespace

std::uint64_t EntryDataOffset(const ZipEntryRecord& entry) {
    return LocalHeader::kSize + entry.name.size();
}

ZipRecords MakeZipRecords(const ZipEntryRecord& entry, std::uint32_t compressedSize) {
    const std::size_t name = entry.name.size();
    ZipRecords records;
    // Every field not set here is 0: no extra field, comment, disk number or
    // external attributes, the entry at offset 0.
    std::vector<std::uint8_t>& local = records.localHeader;
    local.assign(LocalHeader::kSize, 0);
    PutSignature(local.data(), LocalHeader::kSignature);
    platform::StoreUInt16(&local[LocalHeader::kVersionNeeded], zip::kDeflateVersion);
    PutDescription(local.data(), LocalHeader::kEntry, entry, compressedSize);
    local.insert(local.end(), entry.name.begin(), entry.name.end());

    std::vector<std::uint8_t>& directory = records.directory;
    directory.assign(CentralEntry::kSize, 0);
    PutSignature(directory.data(), CentralEntry::kSignature);
    platform::StoreUInt16(&directory[CentralEntry::kVersionNeeded], zip::kDeflateVersion);
    PutDescription(directory.data(), CentralEntry::kEntry, entry, compressedSize);
    platform::StoreUInt16(&directory[CentralEntry::kInternalAttributes], entry.internalAttributes);
    directory.insert(directory.end(), entry.name.begin(), entry.name.end());
    const std::size_t end = directory.size();
    directory.resize(end + EndRecord::kSize, 0);
    std::uint8_t* const record = &directory[end];
    PutSignature(record, EndRecord::kSignature);
    platform::StoreUInt16(record + EndRecord::kDiskEntries, 1);
    platform::StoreUInt16(record + EndRecord::kEntries, 1);
    platform::StoreUInt32(record + EndRecord::kDirectorySize,
                          static_cast<std::uint32_t>(CentralEntry::kSize + name));
    platform::StoreUInt32(record + EndRecord::kDirectoryOffset,
                          static_cast<std::uint32_t>(EntryDataOffset(entry) + compressedSize));
    return records;
}

}  // namespace pipeline
