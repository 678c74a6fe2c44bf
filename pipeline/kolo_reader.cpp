#include "pipeline/kolo_reader.h"

#include <unzip.h>

#include <algorithm>
#include <climits>
#include <string_view>

#include "pipeline/zip_file.h"
#include "pipeline/zip_format.h"
#include "platform/little_endian.h"

namespace pipeline {

// The archive as minizip reads it, through the one adapter (zip_file.h).
struct KoloReader::Archive {
    explicit Archive(platform::File opened) : file(std::move(opened)), stream(file) {}
    platform::File file;
    ZipStream stream;
};

namespace {

using zip::EndRecord;
using zip::LocalHeader;
using zip::Zip64Locator;

// minizip takes the last end record signature among the archive's last
// 65,535 bytes (room for the longest comment) for the end record.
constexpr std::uint64_t kEndRecordSearch = zip::kMaxFieldLength;

// Exactly `size` bytes from `offset`.
bool ReadAt(ZipStream& stream, std::uint64_t offset, char* buffer, std::size_t size) {
    return stream.ReadAt(offset, buffer, size) == size;
}

unsigned Little16(const char* at) {
    return platform::LoadUInt16(reinterpret_cast<const std::uint8_t*>(at));
}

bool HasZip64Field(const std::string& extra) {
    for (std::size_t at = 0; at + zip::kExtraFieldHeaderSize <= extra.size();
         at += zip::kExtraFieldHeaderSize + Little16(&extra[at + 2])) {
        if (Little16(&extra[at]) == zip::kZip64ExtraField) return true;
    }
    return false;
}

}  // namespace

KoloReader::KoloReader() = default;

KoloReader::~KoloReader() {
    if (m_entryOpen) unzCloseCurrentFile(m_zip);
    if (m_zip) unzClose(m_zip);
}

bool KoloReader::Fail(KoloFault fault) {
    if (m_archive && m_archive->stream.failed()) {
        fault = KoloFault::kReadFailed;
        m_systemError = m_archive->stream.error();
    }
    if (m_fault == KoloFault::kNone) m_fault = fault;
    return false;
}

// Where minizip would find no end record, says whether the file is cut
// short or no archive at all; refuses an end record behind a ZIP64 locator.
bool KoloReader::FindEndRecord() {
    if (m_archive->stream.failed()) return Fail(KoloFault::kReadFailed);
    const std::uint64_t size = m_archive->stream.size();
    const std::uint64_t searched = std::min(size, kEndRecordSearch);
    const std::size_t before =
        static_cast<std::size_t>(std::min<std::uint64_t>(size - searched, Zip64Locator::kSize));
    std::string tail(before + static_cast<std::size_t>(searched), '\0');
    if (!ReadAt(m_archive->stream, size - tail.size(), tail.data(), tail.size())) {
        return Fail(KoloFault::kNotZip);
    }
    const std::size_t end = tail.rfind(EndRecord::kSignature);
    if (end == std::string::npos || end < before) {
        char start[zip::kSignatureSize];
        const bool zipStart = size >= zip::kSignatureSize &&
                              ReadAt(m_archive->stream, 0, start, sizeof start) &&
                              LocalHeader::kSignature == std::string_view(start, sizeof start);
        return Fail(zipStart ? KoloFault::kTruncated : KoloFault::kNotZip);
    }
    if (end >= Zip64Locator::kSize && tail.compare(end - Zip64Locator::kSize, zip::kSignatureSize,
                                                   Zip64Locator::kSignature) == 0) {
        return Fail(KoloFault::kZip64);
    }
    return true;
}

bool KoloReader::CheckHeader(unsigned long flags, const std::string& extra) {
    if (HasZip64Field(extra)) return Fail(KoloFault::kZip64);
    if (flags & zip::kEncryptionFlags) return Fail(KoloFault::kEncrypted);
    if (m_entry.method != zip::kDeflated) return Fail(KoloFault::kNotDeflated);
    const unsigned long unsupported = flags & ~static_cast<unsigned long>(zip::kReadFlags);
    if (unsupported != 0) {
        m_flagBit = 0;
        while (!(unsupported >> m_flagBit & 1)) ++m_flagBit;
        return Fail(KoloFault::kUnsupportedFlag);
    }
    return true;
}

// minizip compares the local header with the central directory in all but
// its flags and extra field, which are checked here. The entry's data
// follows the header, its name and that field.
bool KoloReader::CheckLocalHeader(std::size_t nameSize) {
    const int length = unzGetLocalExtrafield(m_zip, nullptr, 0);
    if (length < 0 || static_cast<std::uint64_t>(length) > m_archive->stream.size()) {
        return Fail(KoloFault::kBadData);
    }
    std::string extra(static_cast<std::size_t>(length), '\0');
    if (unzGetLocalExtrafield(m_zip, extra.data(), static_cast<unsigned>(extra.size())) != length) {
        return Fail(KoloFault::kBadData);
    }
    const std::uint64_t data = unzGetCurrentFileZStreamPos64(m_zip);
    const std::uint64_t leading = LocalHeader::kSize + nameSize + extra.size();
    char header[LocalHeader::kSize];
    if (data < leading || !ReadAt(m_archive->stream, data - leading, header, sizeof header) ||
        std::string_view(header, zip::kSignatureSize) != LocalHeader::kSignature) {
        return Fail(KoloFault::kBadData);
    }
    m_entry.flags |= Little16(header + LocalHeader::kEntry.flags);
    return CheckHeader(m_entry.flags, extra);
}

bool KoloReader::Open(platform::File file) {
    m_archive = std::make_unique<Archive>(std::move(file));
    if (!FindEndRecord()) return false;
    zlib_filefunc64_def io = m_archive->stream.Functions();
    m_zip = unzOpen2_64("", &io);
    if (!m_zip) return Fail(KoloFault::kNotZip);
    unz_global_info64 global;
    if (unzGetGlobalInfo64(m_zip, &global) != UNZ_OK) return Fail(KoloFault::kNotZip);
    m_count = global.number_entry;
    if (m_count != 1) return Fail(KoloFault::kEntryCount);
    // The first entry is the current one. Its name and extra field are no
    // longer than the file, nor than their 16-bit lengths allow.
    const auto longest = static_cast<std::size_t>(
        std::min<std::uint64_t>(m_archive->stream.size(), zip::kMaxFieldLength));
    std::string name(longest, '\0'), extra(longest, '\0');
    unz_file_info64 info;
    if (unzGetCurrentFileInfo64(m_zip, &info, name.data(), static_cast<uLong>(name.size()),
                                extra.data(), static_cast<uLong>(extra.size()), nullptr,
                                0) != UNZ_OK) {
        return Fail(KoloFault::kNotZip);
    }
    name.resize(std::min<std::size_t>(info.size_filename, name.size()));
    extra.resize(std::min<std::size_t>(info.size_file_extra, extra.size()));
    m_entry.name = std::move(name);
    m_entry.method = info.compression_method;
    m_entry.flags = info.flag;
    m_entry.compressedSize = info.compressed_size;
    m_entry.size = info.uncompressed_size;
    m_entry.year = info.tmu_date.tm_year;
    m_entry.month = info.tmu_date.tm_mon + 1;
    m_entry.day = info.tmu_date.tm_mday;
    m_entry.hour = info.tmu_date.tm_hour;
    m_entry.minute = info.tmu_date.tm_min;
    m_entry.second = info.tmu_date.tm_sec;
    if (!CheckHeader(m_entry.flags, extra)) return false;
    // The local header must agree with the central directory.
    if (unzOpenCurrentFile(m_zip) != UNZ_OK) return Fail(KoloFault::kBadData);
    m_entryOpen = true;
    return CheckLocalHeader(info.size_filename);
}

bool KoloReader::Read(void* buffer, std::size_t capacity, std::size_t& got) {
    got = 0;
    if (!m_entryOpen) return false;
    const int read = unzReadCurrentFile(
        m_zip, buffer, static_cast<unsigned>(std::min<std::size_t>(capacity, INT_MAX)));
    if (read < 0) return Fail(KoloFault::kBadData);
    got = static_cast<std::size_t>(read);
    m_delivered += got;
    // The compressed data ran out before the size the archive states.
    if (got == 0 && m_delivered != m_entry.size) return Fail(KoloFault::kBadData);
    return true;
}

bool KoloReader::Finish() {
    if (!m_entryOpen) return false;
    m_entryOpen = false;
    const int closed = unzCloseCurrentFile(m_zip);
    if (closed == UNZ_CRCERROR) return Fail(KoloFault::kBadCrc);
    if (closed != UNZ_OK || m_delivered != m_entry.size) return Fail(KoloFault::kBadData);
    return true;
}

}  // namespace pipeline
