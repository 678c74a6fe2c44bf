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

}  // namespace pipeline
