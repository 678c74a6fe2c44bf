#include "pipeline/kolo.h"

#include <libdeflate.h>
#include <zlib.h>

#include <algorithm>
#include <climits>
#include <condition_variable>
#include <cstring>
#include <ctime>
#include <mutex>
#include <new>
#include <vector>

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

// The general-purpose flag bits that tell a reader the level: "maximum" at
// 8 and above, "fast" at 2, "super fast" at 1, "normal" between.
std::uint16_t LevelFlags(int level) {
    if (level >= 8) return 2;
    if (level == 2) return 4;
    return level == 1 ? 6 : 0;
}

// The archive's file as its parts are written: the first failure stays,
// and nothing is written after it.
class ArchiveOutput {
  public:
    explicit ArchiveOutput(platform::File& file) : m_file(file) {}

    bool Write(const void* data, std::size_t size) {
        if (m_result) m_result = m_file.Write(data, size);
        if (!m_result) return false;
        m_written += size;
        return true;
    }
    bool Write(const std::vector<std::uint8_t>& bytes) { return Write(bytes.data(), bytes.size()); }
    bool MoveTo(std::uint64_t offset) {
        if (m_result) m_result = m_file.Seek(offset);
        return static_cast<bool>(m_result);
    }

    std::uint64_t written() const { return m_written; }
    bool diskFull() const { return platform::IsDiskFull(m_result.error()); }
    // Why the file refused what was written, if it did.
    platform::SystemError error() const { return m_result.error(); }

  private:
    platform::File& m_file;
    platform::ErrorOr<void> m_result;  // the first failure
    std::uint64_t m_written = 0;
};

// The package gathered in memory and deflated by libdeflate in one call.
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

    // Never more than the size it was made for, all told.
    void Write(const void* data, std::size_t size) {
        std::memcpy(m_input.get() + m_used, data, size);
        m_used += size;
    }

    bool Finish(ArchiveOutput& output) {
        const std::size_t compressed = libdeflate_deflate_compress(
            m_compressor, m_input.get(), static_cast<std::size_t>(m_size), m_output.get(),
            m_outputCapacity);
        // The bound always leaves room: no stream at all would be no entry.
        return compressed != 0 && output.Write(m_output.get(), compressed);
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

// zlib's raw deflate as the bytes come, with the largest window and the
// default memory level.
class StreamingEntry {
  public:
    // Nothing when zlib cannot start. Its levels end at 9.
    static std::unique_ptr<StreamingEntry> Create(int level) {
        std::unique_ptr<StreamingEntry> entry(new (std::nothrow) StreamingEntry);
        if (!entry || !entry->m_buffer) return nullptr;
        entry->m_bStarted = deflateInit2(&entry->m_stream, level, Z_DEFLATED, -MAX_WBITS, kMemLevel,
                                         Z_DEFAULT_STRATEGY) == Z_OK;
        if (!entry->m_bStarted) return nullptr;
        return entry;
    }
    ~StreamingEntry() {
        if (m_bStarted) deflateEnd(&m_stream);
    }

    bool Write(const void* data, std::size_t size, ArchiveOutput& output) {
        const auto* bytes = static_cast<const Bytef*>(data);
        while (size > 0) {
            const auto piece = static_cast<uInt>(std::min<std::size_t>(size, UINT_MAX));
            m_stream.next_in = const_cast<Bytef*>(bytes);  // zlib only reads it
            m_stream.avail_in = piece;
            if (!Deflate(Z_NO_FLUSH, output)) return false;
            bytes += piece;
            size -= piece;
        }
        return true;
    }
    bool Finish(ArchiveOutput& output) { return Deflate(Z_FINISH, output); }

    // Whether zlib took the bytes for text.
    bool FoundText() const { return m_stream.data_type == Z_TEXT; }

  private:
    static constexpr int kMemLevel = 8;
    static constexpr uInt kBufferSize = 64 * 1024;

    StreamingEntry() : m_buffer(new (std::nothrow) Bytef[kBufferSize]) {}

    // Deflates what came in and writes what comes out: with Z_FINISH up to
    // the end of the stream, else until zlib wants more.
    bool Deflate(int flush, ArchiveOutput& output) {
        for (;;) {
            m_stream.next_out = m_buffer.get();
            m_stream.avail_out = kBufferSize;
            const int status = deflate(&m_stream, flush);
            if (status == Z_STREAM_ERROR) return false;
            if (!output.Write(m_buffer.get(), kBufferSize - m_stream.avail_out)) return false;
            if (flush == Z_FINISH ? status == Z_STREAM_END : m_stream.avail_out != 0) return true;
        }
    }

    z_stream m_stream{};
    std::unique_ptr<Bytef[]> m_buffer;
    bool m_bStarted = false;
};

}  // namespace

// The temporary archive and its one entry, deflated in one buffer or as
// the bytes come. The entry's bytes are written from where its local header
// ends; that header goes in last, once it can tell the CRC and the
// compressed size.
class KoloWriter::Archive {
  public:
    Archive(platform::AtomicFile output, ZipEntryRecord record, const KoloOptions& options)
        : file(std::move(output)), m_output(file.file()), m_record(std::move(record)) {
        if (!m_output.MoveTo(EntryDataOffset(m_record))) return;
        if (m_record.size <= options.wholeBufferLimit)
            m_wholeBuffer = WholeBufferEntry::Create(m_record.size, options.level);
        if (!m_wholeBuffer) m_streaming = StreamingEntry::Create(std::min(options.level, 9));
        m_bOpen = m_wholeBuffer || m_streaming;
    }

    bool IsOpen() const { return m_bOpen; }

    bool Write(const void* data, std::size_t size) {
        if (size > m_record.size - m_received) return false;
        m_received += size;
        // The one pass of the CRC over the bytes: the records and their
        // check take it from here.
        m_record.crc = libdeflate_crc32(m_record.crc, data, size);
        if (!m_wholeBuffer) return m_streaming->Write(data, size, m_output);
        m_wholeBuffer->Write(data, size);
        return true;
    }

    // Completes the archive in its temporary file and reads back what was
    // written of it.
    KoloWriter::Result Close() {
        bool finished = m_received == m_record.size;
        if (m_wholeBuffer) {
            finished = finished && m_wholeBuffer->Finish(m_output);
            m_wholeBuffer.reset();
        } else {
            finished = finished && m_streaming->Finish(m_output);
            m_record.internalAttributes = m_streaming->FoundText() ? 1 : 0;
            m_streaming.reset();
        }
        if (!finished) return Failure();
        const std::uint64_t compressed = m_output.written();
        // The player reads no ZIP64 records, without which no offset reaches
        // 4 GiB.
        if (EntryDataOffset(m_record) + compressed > zip::kMaxSize)
            return KoloWriter::Result::kTooLarge;
        const ZipRecords records = MakeZipRecords(m_record, static_cast<std::uint32_t>(compressed));
        if (!m_output.Write(records.directory) || !m_output.MoveTo(0) ||
            !m_output.Write(records.localHeader)) {
            return Failure();
        }
        switch (CheckZipRecords(file.file(), m_record)) {
            case ZipRecordCheck::kAgree:
                return KoloWriter::Result::kOk;
            case ZipRecordCheck::kNeedsZip64:
                return KoloWriter::Result::kTooLarge;
            case ZipRecordCheck::kDisagree:
                break;
        }
        return KoloWriter::Result::kNotAsWritten;
    }

    KoloWriter::Result Failure() const {
        return m_output.diskFull() ? KoloWriter::Result::kDiskFull
                                   : KoloWriter::Result::kWriteFailed;
    }
    platform::SystemError Error() const { return m_output.error(); }

    platform::AtomicFile file;

  private:
    ArchiveOutput m_output;
    ZipEntryRecord m_record;  // its CRC of the bytes so far
    std::uint64_t m_received = 0;
    std::unique_ptr<WholeBufferEntry> m_wholeBuffer;
    std::unique_ptr<StreamingEntry> m_streaming;
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
    // The player reads no ZIP64 records, without which no size reaches 4 GiB.
    if (size > zip::kMaxSize) {
        Fail(Result::kTooLarge);
        return;
    }
    ZipEntryRecord record;
    record.name = platform::ToThreadAnsi(platform::FindFileName(pakPath));
    record.flags = LevelFlags(std::min(options.level, 9));
    record.dosDateTime = DosDateTime(entryTime);
    record.size = size;
    platform::ErrorOr<platform::AtomicFile> file =
        platform::AtomicFile::Create(KoloPathFor(pakPath));
    if (!file) {
        Fail(Result::kCannotCreate, file.error());
        return;
    }
    m_archive = std::make_unique<Archive>(std::move(*file), std::move(record), options);
    if (!m_archive->IsOpen()) Fail(m_archive->Failure(), m_archive->Error());
}

KoloWriter::~KoloWriter() = default;

bool KoloWriter::IsOpen() const {
    return m_result == Result::kOk;
}

bool KoloWriter::Fail(Result result, platform::SystemError error) {
    m_result = result;
    m_error = error;
    return false;
}

bool KoloWriter::Write(const void* data, std::size_t size) {
    if (!IsOpen()) return false;
    if (m_archive->Write(data, size)) {
        if (m_progress) m_progress->taken.fetch_add(size, std::memory_order_relaxed);
        return true;
    }
    return Fail(m_archive->Failure(), m_archive->Error());
}

KoloWriter::Result KoloWriter::Commit() {
    if (!IsOpen()) return m_result;
    if (const Result closed = m_archive->Close(); closed != Result::kOk) {
        Fail(closed, m_archive->Error());
    } else if (platform::InterruptRequested()) {
        // Deflated all the same (libdeflate cannot be stopped half way), the
        // archive of a stopped run is not committed.
        Fail(Result::kInterrupted);
    } else {
        const std::uint64_t length = m_archive->file.file().Size().value_or(0);
        if (const auto sealed = m_archive->file.Seal(); !sealed) {
            if (platform::IsDiskFull(sealed.error())) {
                Fail(Result::kDiskFull);
            } else {
                Fail(Result::kWriteFailed, sealed.error());
            }
        } else if (const auto committed = m_archive->file.Commit(); !committed) {
            Fail(Result::kCannotCreate, committed.error());
        } else {
            m_size = length;
        }
    }
    m_archive.reset();
    return m_result;
}

KoloWriter::Result MakeKoloPackage(std::u16string_view pakPath, bool deletePak,
                                   const KoloOptions& options) {
    platform::ErrorOr<platform::File> package = platform::File::OpenForReading(pakPath);
    if (!package) return KoloWriter::Result::kCannotCreate;
    const platform::ErrorOr<std::uint64_t> size = package->Size();
    if (!size) return KoloWriter::Result::kCannotCreate;
    const std::int64_t moment = options.entryTime
                                    ? *options.entryTime
                                    : platform::CreationTime(pakPath).value_or(std::time(nullptr));
    KoloWriter archive(pakPath, *size, moment, options);
    KoloWriter::Result result = archive.result();
    if (archive.IsOpen()) {
        const platform::ErrorOr<platform::CopyResult> copied = platform::CopyStream(
            *package, *size,
            [&](const void* data, std::size_t length) { return archive.Write(data, length); });
        if (copied && *copied == platform::CopyResult::kOk) {
            result = archive.Commit();
        } else if (copied && *copied == platform::CopyResult::kInterrupted) {
            result = KoloWriter::Result::kInterrupted;
        } else if (!copied || *copied != platform::CopyResult::kSinkFailed) {
            result = KoloWriter::Result::kCannotCreate;  // the package could not be read
        } else {
            result = archive.result();
        }
    }
    package->Close();
    // After a failure an older archive at the path is as it was: the run
    // removes only what it made itself.
    if (result == KoloWriter::Result::kOk && deletePak) platform::RemoveFile(pakPath);
    return result;
}

}  // namespace pipeline
