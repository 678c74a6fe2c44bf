#include "pipeline/kolo_reader.h"

#include <unzip.h>

#include <climits>

#include "pipeline/zip_file.h"

namespace pipeline {

// The archive is read through the functions below from a file opened by the
// caller, so any path opens and a failure carries the system's reason.
struct KoloReader::Archive {
    platform::File file;
    bool failed = false;
    platform::SystemError error;
};

namespace {

using Archive = KoloReader::Archive;

Archive& ArchiveOf(voidpf stream) {
    return *static_cast<Archive*>(stream);
}

voidpf OpenStream(voidpf opaque, const void*, int) {
    return opaque;
}

uLong ReadStream(voidpf, voidpf stream, void* buffer, uLong size) {
    Archive& s = ArchiveOf(stream);
    std::size_t got = 0;
    if (s.file.Read(buffer, size, got) != platform::IoResult::kOk) {
        s.error = platform::LastSystemError();
        s.failed = true;
    }
    return static_cast<uLong>(got);
}

uLong RefuseWrite(voidpf, voidpf, const void*, uLong) {
    return 0;
}

ZPOS64_T TellStream(voidpf, voidpf stream) {
    return TellZipFile(ArchiveOf(stream).file);
}

long SeekStream(voidpf, voidpf stream, ZPOS64_T offset, int origin) {
    return SeekZipFile(ArchiveOf(stream).file, offset, origin);
}

int CloseStream(voidpf, voidpf) {
    return 0;
}

int StreamError(voidpf, voidpf stream) {
    return ArchiveOf(stream).failed ? 1 : 0;
}

}  // namespace

KoloReader::KoloReader() : m_archive(std::make_unique<Archive>()) {}

KoloReader::~KoloReader() {
    if (m_bEntryOpen) unzCloseCurrentFile(m_zip);
    if (m_zip) unzClose(m_zip);
}

bool KoloReader::Fail(KoloFault fault) {
    if (m_archive->failed) {
        fault = KoloFault::kReadFailed;
        m_systemError = m_archive->error;
    }
    if (m_fault == KoloFault::kNone) m_fault = fault;
    return false;
}

bool KoloReader::Open(platform::File file) {
    m_archive->file = std::move(file);
    zlib_filefunc64_def io{OpenStream, ReadStream,  RefuseWrite, TellStream,
                           SeekStream, CloseStream, StreamError, m_archive.get()};
    m_zip = unzOpen2_64("", &io);
    if (!m_zip) return Fail(KoloFault::kNotZip);
    unz_global_info64 global;
    if (unzGetGlobalInfo64(m_zip, &global) != UNZ_OK) return Fail(KoloFault::kNotZip);
    m_count = global.number_entry;
    if (m_count != 1) return Fail(KoloFault::kEntryCount);
    unz_file_info64 info;
    char name[1024];
    if (unzGoToFirstFile(m_zip) != UNZ_OK ||
        unzGetCurrentFileInfo64(m_zip, &info, name, sizeof name, nullptr, 0, nullptr, 0) !=
            UNZ_OK) {
        return Fail(KoloFault::kNotZip);
    }
    m_entry.name.assign(name, std::min<std::size_t>(info.size_filename, sizeof name - 1));
    m_entry.method = info.compression_method;
    m_entry.compressedSize = info.compressed_size;
    m_entry.size = info.uncompressed_size;
    m_entry.year = info.tmu_date.tm_year;
    m_entry.month = info.tmu_date.tm_mon + 1;
    m_entry.day = info.tmu_date.tm_mday;
    m_entry.hour = info.tmu_date.tm_hour;
    m_entry.minute = info.tmu_date.tm_min;
    m_entry.second = info.tmu_date.tm_sec;
    if (m_entry.method != Z_DEFLATED) return Fail(KoloFault::kNotDeflated);
    // The local header must agree with the central directory.
    if (unzOpenCurrentFile(m_zip) != UNZ_OK) return Fail(KoloFault::kBadData);
    m_bEntryOpen = true;
    return true;
}

bool KoloReader::Read(void* buffer, std::size_t capacity, std::size_t& got) {
    got = 0;
    if (!m_bEntryOpen) return false;
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
    if (!m_bEntryOpen) return false;
    m_bEntryOpen = false;
    const int closed = unzCloseCurrentFile(m_zip);
    if (closed == UNZ_CRCERROR) return Fail(KoloFault::kBadCrc);
    if (closed != UNZ_OK || m_delivered != m_entry.size) return Fail(KoloFault::kBadData);
    return true;
}

}  // namespace pipeline
