#include "pipeline/kolo.h"

#include <libdeflate.h>
#include <zip.h>

#include <algorithm>
#include <climits>
#include <condition_variable>
#include <cstring>
#include <ctime>
#include <mutex>
#include <new>

#include "pipeline/zip_file.h"
#include "pipeline/zip_format.h"
#include "pipeline/zip_records.h"
#include "platform/atomic_file.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "platform/interrupt.h"
#include "platform/paths.h"
#include "platform/text.h"

namespace pipeline {
namespace {

// What a whole-buffer package holds while it is deflated: itself, room for
// its compressed copy (libdeflate's bound adds a thousandth) and the
// compressor (9 MiB at levels 10 to 12, under 1 MiB below).
constexpr std::uint64_t WholeBufferFootprint(std::uint64_t size) {
    constexpr std::uint64_t kAllowance = 16ull << 20;
    return 2 * size + kAllowance;
}

// The memory that whole-buffer packages hold together, in a program that
// writes several archives at once: two of the largest fit side by side, and
// any number of small ones.
class WholeBufferMemory {
  public:
    static constexpr std::uint64_t kBudget = 2 * WholeBufferFootprint(kWholeBufferLimit);

    // Waits until `bytes` fit beside what the other writers hold. False
    // when they never can.
    bool Take(std::uint64_t bytes) {
        if (bytes > kBudget) return false;
        std::unique_lock<std::mutex> lock(m_mutex);
        m_freed.wait(lock, [&] { return m_held + bytes <= kBudget; });
        m_held += bytes;
        return true;
    }
    void Give(std::uint64_t bytes) {
        {
            const std::lock_guard<std::mutex> lock(m_mutex);
            m_held -= bytes;
        }
        m_freed.notify_all();
    }

  private:
    std::mutex m_mutex;
    std::condition_variable m_freed;
    std::uint64_t m_held = 0;
};

WholeBufferMemory& SharedMemory() {
    static WholeBufferMemory memory;
    return memory;
}

// The entry's fixed parts: everything the archive holds besides the bytes.
struct EntryHeader {
    std::string name;  // 8-bit
    zip_fileinfo info{};
    // What minizip records of the level: the flag bits for "maximum" at 8
    // and above, "fast" at 2, "super fast" at 1.
    int zipLevel = kKoloLevel;

    int Open(zipFile zip, bool raw) const {
        return zipOpenNewFileInZip2(zip, name.c_str(), &info, nullptr, 0, nullptr, 0, nullptr,
                                    Z_DEFLATED, zipLevel, raw ? 1 : 0);
    }

    // The general-purpose flag bits that minizip gives the level.
    std::uint16_t Flags() const {
        if (zipLevel >= 8) return 2;
        if (zipLevel == 2) return 4;
        return zipLevel == 1 ? 6 : 0;
    }
};

// The package gathered in memory, deflated by libdeflate in one call and
// handed to minizip as raw deflate with its CRC and size.
class WholeBufferEntry {
  public:
    // Nothing when the memory cannot be had.
    static std::unique_ptr<WholeBufferEntry> Create(std::uint64_t size, int level) {
        std::unique_ptr<WholeBufferEntry> entry(new (std::nothrow) WholeBufferEntry(size));
        if (!entry || !entry->m_bHeld) return nullptr;
        const auto length = static_cast<std::size_t>(size);
        entry->m_compressor = libdeflate_alloc_compressor(level);
        entry->m_outputCapacity = libdeflate_deflate_compress_bound(entry->m_compressor, length);
        entry->m_input.reset(new (std::nothrow) std::uint8_t[std::max<std::size_t>(length, 1)]);
        entry->m_output.reset(new (std::nothrow) std::uint8_t[entry->m_outputCapacity]);
        if (!entry->m_compressor || !entry->m_input || !entry->m_output) return nullptr;
        return entry;
    }
    ~WholeBufferEntry() {
        libdeflate_free_compressor(m_compressor);
        m_input.reset();
        m_output.reset();
        if (m_bHeld) SharedMemory().Give(WholeBufferFootprint(m_size));
    }

    bool Write(const void* data, std::size_t size) {
        if (size > m_size - m_used) return false;
        std::memcpy(m_input.get() + m_used, data, size);
        m_used += size;
        return true;
    }

    bool Close(zipFile zip, const EntryHeader& header, std::uint32_t crc) {
        if (m_used != m_size) return false;
        const auto length = static_cast<std::size_t>(m_size);
        const std::size_t compressed = libdeflate_deflate_compress(
            m_compressor, m_input.get(), length, m_output.get(), m_outputCapacity);
        // The bound always leaves room: no stream at all would be no entry.
        if (compressed == 0 || header.Open(zip, true) != ZIP_OK) return false;
        const bool written =
            zipWriteInFileInZip(zip, m_output.get(), static_cast<unsigned>(compressed)) == ZIP_OK;
        return zipCloseFileInZipRaw64(zip, m_size, crc) == ZIP_OK && written;
    }

  private:
    explicit WholeBufferEntry(std::uint64_t size)
        : m_size(size), m_bHeld(SharedMemory().Take(WholeBufferFootprint(size))) {}

    const std::uint64_t m_size;
    const bool m_bHeld;  // its memory is counted
    std::uint64_t m_used = 0;
    libdeflate_compressor* m_compressor = nullptr;
    std::unique_ptr<std::uint8_t[]> m_input, m_output;
    std::size_t m_outputCapacity = 0;
};

}  // namespace

// The temporary archive and its one entry, deflated in one buffer or as
// the bytes come.
class KoloWriter::Archive {
  public:
    Archive(std::u16string_view koloPath, EntryHeader header, std::uint64_t size,
            const KoloOptions& options)
        : file(koloPath), m_header(std::move(header)), m_size(size) {
        if (!file.IsOpen()) return;
        if (size <= options.wholeBufferLimit)
            m_wholeBuffer = WholeBufferEntry::Create(size, options.level);
        // Written onto a file the writer opened itself, so it can be made
        // durable before it takes its name.
        m_stream = std::make_unique<ZipStream>(file.file());
        zlib_filefunc64_def io = m_stream->Functions();
        m_zip = zipOpen2_64(koloPath.data(), APPEND_STATUS_CREATE, nullptr, &io);
        // zlib's deflate, as the bytes come: its levels end at 9.
        m_bOpen = m_zip && (m_wholeBuffer || m_header.Open(m_zip, false) == ZIP_OK);
    }
    ~Archive() {
        if (m_zip) zipClose(m_zip, nullptr);
    }

    bool IsOpen() const { return m_bOpen; }

    bool Write(const void* data, std::size_t size) {
        m_crc = libdeflate_crc32(m_crc, data, size);
        if (m_wholeBuffer) return m_wholeBuffer->Write(data, size);
        const auto* bytes = static_cast<const std::uint8_t*>(data);
        while (size > 0) {
            const auto piece = static_cast<unsigned>(std::min<std::size_t>(size, UINT_MAX));
            if (zipWriteInFileInZip(m_zip, bytes, piece) != ZIP_OK) return false;
            bytes += piece;
            size -= piece;
        }
        return true;
    }

    // Completes the archive in its temporary file and reads back what the
    // library wrote of it.
    KoloWriter::Result Close() {
        const bool closed = m_wholeBuffer ? m_wholeBuffer->Close(m_zip, m_header, m_crc)
                                          : zipCloseFileInZip(m_zip) == ZIP_OK;
        m_wholeBuffer.reset();
        const bool completed = zipClose(m_zip, nullptr) == ZIP_OK;
        m_zip = nullptr;
        if (!closed || !completed || m_stream->failed()) {
            return DiskFull() ? KoloWriter::Result::kDiskFull : KoloWriter::Result::kWriteFailed;
        }
        const ZipEntryRecord expected{m_header.name, m_header.Flags(),
                                      static_cast<std::uint32_t>(m_header.info.dosDate), m_crc,
                                      m_size};
        switch (CheckZipRecords(file.file(), expected)) {
            case ZipRecordCheck::kAgree:
                return KoloWriter::Result::kOk;
            case ZipRecordCheck::kNeedsZip64:
                return KoloWriter::Result::kTooLarge;
            case ZipRecordCheck::kDisagree:
                break;
        }
        return KoloWriter::Result::kNotAsWritten;
    }

    bool DiskFull() const { return m_stream && m_stream->diskFull(); }

    platform::AtomicFile file;

  private:
    const EntryHeader m_header;
    const std::uint64_t m_size;
    std::uint32_t m_crc = 0;  // of the bytes so far
    std::unique_ptr<ZipStream> m_stream;
    zipFile m_zip = nullptr;
    std::unique_ptr<WholeBufferEntry> m_wholeBuffer;
    bool m_bOpen = false;
};

std::u16string KoloPathFor(std::u16string_view pakPath) {
    return platform::RemoveExtension(pakPath) + u".kolo";
}

std::uint32_t DosDateTime(std::int64_t seconds) {
    // The format counts years from 1980 in 7 bits. A moment far outside is
    // brought near the range before it is converted, so no conversion can
    // overflow and every system gives the same date: two days either side
    // cover every time zone.
    constexpr std::int64_t kDay = 24 * 60 * 60;
    constexpr std::int64_t kFirst = 315532800;  // 1980-01-01 00:00:00 UTC
    constexpr std::int64_t kLast = 4354819199;  // 2107-12-31 23:59:59 UTC
    constexpr platform::LocalDateTime kEarliest{1980, 1, 1, 0, 0, 0};
    constexpr platform::LocalDateTime kLatest{2107, 12, 31, 23, 59, 58};
    const auto local =
        platform::ToLocalTime(std::clamp(seconds, kFirst - 2 * kDay, kLast + 2 * kDay));
    platform::LocalDateTime t = local.value_or(seconds < kFirst ? kEarliest : kLatest);
    if (t.year < 1980) t = kEarliest;
    if (t.year > 2107) t = kLatest;
    const std::uint32_t date =
        static_cast<std::uint32_t>(t.day + t.month * 32 + (t.year - 1980) * 512);
    const std::uint32_t time =
        static_cast<std::uint32_t>(t.second / 2 + t.minute * 32 + t.hour * 2048);
    return date << 16 | time;
}

KoloWriter::KoloWriter(std::u16string_view pakPath, std::uint64_t size, std::int64_t entryTime,
                       const KoloOptions& options)
    : m_progress(options.progress) {
    if (m_progress) m_progress->size = size;
    EntryHeader header;
    header.name = platform::ToThreadAnsi(platform::FindFileName(pakPath));
    header.info.dosDate = DosDateTime(entryTime);
    header.zipLevel = std::min(options.level, 9);
    // The player reads no ZIP64 records, without which no size reaches 4 GiB.
    if (size > zip::kMaxSize) {
        Fail(Result::kTooLarge);
        return;
    }
    m_archive = std::make_unique<Archive>(KoloPathFor(pakPath), std::move(header), size, options);
    if (!m_archive->file.IsOpen()) {
        Fail(Result::kCannotCreate);
    } else if (!m_archive->IsOpen()) {
        Fail(m_archive->DiskFull() ? Result::kDiskFull : Result::kWriteFailed);
    }
}

KoloWriter::~KoloWriter() = default;

bool KoloWriter::IsOpen() const {
    return m_result == Result::kOk;
}

bool KoloWriter::Fail(Result result) {
    m_result = result;
    return false;
}

bool KoloWriter::Write(const void* data, std::size_t size) {
    if (!IsOpen()) return false;
    if (m_archive->Write(data, size)) {
        if (m_progress) m_progress->taken.fetch_add(size, std::memory_order_relaxed);
        return true;
    }
    return Fail(m_archive->DiskFull() ? Result::kDiskFull : Result::kWriteFailed);
}

KoloWriter::Result KoloWriter::Commit() {
    if (!IsOpen()) return m_result;
    if (const Result closed = m_archive->Close(); closed != Result::kOk) {
        Fail(closed);
    } else if (platform::InterruptRequested()) {
        // Deflated all the same (libdeflate cannot be stopped half way), the
        // archive of a stopped run is not committed.
        Fail(Result::kInterrupted);
    } else {
        const std::uint64_t length = m_archive->file.file().Size().value_or(0);
        switch (m_archive->file.Commit()) {
            case platform::AtomicFile::CommitResult::kOk:
                m_size = length;
                break;
            case platform::AtomicFile::CommitResult::kDiskFull:
                Fail(Result::kDiskFull);
                break;
            case platform::AtomicFile::CommitResult::kWriteFailed:
                Fail(Result::kWriteFailed);
                break;
            case platform::AtomicFile::CommitResult::kRenameFailed:
            case platform::AtomicFile::CommitResult::kTargetExists:
                Fail(Result::kCannotCreate);
                break;
        }
    }
    m_archive.reset();
    return m_result;
}

KoloWriter::Result MakeKoloPackage(std::u16string_view pakPath, bool deletePak,
                                   const KoloOptions& options) {
    platform::File package = platform::File::OpenForReading(pakPath);
    const std::optional<std::uint64_t> size = package.Size();
    if (!size) return KoloWriter::Result::kCannotCreate;
    const std::int64_t moment = options.entryTime
                                    ? *options.entryTime
                                    : platform::CreationTime(pakPath).value_or(std::time(nullptr));
    KoloWriter archive(pakPath, *size, moment, options);
    KoloWriter::Result result = archive.result();
    if (archive.IsOpen()) {
        const platform::CopyResult copied = platform::CopyStream(
            package, *size,
            [&](const void* data, std::size_t length) { return archive.Write(data, length); });
        if (copied == platform::CopyResult::kOk) {
            result = archive.Commit();
        } else if (copied == platform::CopyResult::kInterrupted) {
            result = KoloWriter::Result::kInterrupted;
        } else if (copied != platform::CopyResult::kSinkFailed) {
            result = KoloWriter::Result::kCannotCreate;  // the package could not be read
        } else {
            result = archive.result();
        }
    }
    package.Close();
    // After a failure an older archive at the path is as it was: the run
    // removes only what it made itself.
    if (result == KoloWriter::Result::kOk && deletePak) platform::RemoveFile(pakPath);
    return result;
}

}  // namespace pipeline
