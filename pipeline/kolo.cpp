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
#include <utility>
#include <vector>

#include "pipeline/kolo_committer.h"
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

// Where a whole-buffer package is deflated: room for the package and for
// its compressed copy, and a compressor of its level. Kept for the packages
// after it, so that a run of many skins touches its pages once.
class DeflateSpace {
  public:
    // Nothing when the memory cannot be had.
    static std::unique_ptr<DeflateSpace> Create(std::uint64_t capacity, int level) {
        std::unique_ptr<DeflateSpace> space(new (std::nothrow) DeflateSpace(capacity, level));
        if (!space) return nullptr;
        const auto length = static_cast<std::size_t>(capacity);
        space->m_compressor = libdeflate_alloc_compressor(level);
        if (!space->m_compressor) return nullptr;
        space->m_outputCapacity = libdeflate_deflate_compress_bound(space->m_compressor, length);
        space->m_input.reset(new (std::nothrow) std::uint8_t[length]);
        space->m_output.reset(new (std::nothrow) std::uint8_t[space->m_outputCapacity]);
        if (!space->m_input || !space->m_output) return nullptr;
        return space;
    }
    ~DeflateSpace() { libdeflate_free_compressor(m_compressor); }
    DeflateSpace(const DeflateSpace&) = delete;
    DeflateSpace& operator=(const DeflateSpace&) = delete;

    bool Fits(std::uint64_t size, int level) const {
        return size <= m_capacity && level == m_level;
    }
    std::uint64_t capacity() const { return m_capacity; }
    int level() const { return m_level; }
    std::uint8_t* input() const { return m_input.get(); }

    // The deflated bytes of the first `size` bytes of the input, or nothing.
    std::pair<const std::uint8_t*, std::size_t> Deflate(std::size_t size) const {
        return {m_output.get(), libdeflate_deflate_compress(m_compressor, m_input.get(), size,
                                                            m_output.get(), m_outputCapacity)};
    }

  private:
    DeflateSpace(std::uint64_t capacity, int level) : m_capacity(capacity), m_level(level) {}

    const std::uint64_t m_capacity;
    const int m_level;
    libdeflate_compressor* m_compressor = nullptr;
    std::unique_ptr<std::uint8_t[]> m_input, m_output;
    std::size_t m_outputCapacity = 0;
};

// The spaces whole-buffer packages are deflated in, in a program that writes
// several archives at once. Those in use and those kept for later fit in a
// budget where two of the largest fit side by side, and any number of small
// ones; a kept space makes room for a new one.
class WholeBufferMemory {
  public:
    static constexpr std::uint64_t kBudget = 2 * WholeBufferFootprint(kWholeBufferLimit);

    // A space for a package of `size` bytes at `level`: a kept one where one
    // fits, else a new one once it fits beside the spaces in use, waiting
    // for them as it must. Nothing when it never can fit, or its memory
    // cannot be had.
    std::unique_ptr<DeflateSpace> Take(std::uint64_t size, int level) {
        const std::uint64_t capacity = CapacityFor(size);
        const std::uint64_t bytes = WholeBufferFootprint(capacity);
        if (bytes > kBudget) return nullptr;
        {
            std::unique_lock<std::mutex> lock(m_mutex);
            if (auto kept = TakeKept(size, level)) return kept;
            m_freed.wait(lock, [&] {
                while (m_held + bytes > kBudget && !m_kept.empty()) DropKept(m_kept.begin());
                return m_held + bytes <= kBudget;
            });
            m_held += bytes;
        }
        std::unique_ptr<DeflateSpace> space = DeflateSpace::Create(capacity, level);
        if (!space) Release(bytes);
        return space;
    }

    // Keeps the space for the packages after it, unless it is larger than
    // is worth keeping.
    void Give(std::unique_ptr<DeflateSpace> space) {
        {
            const std::lock_guard<std::mutex> lock(m_mutex);
            if (space->capacity() <= kKeptCapacity) {
                try {
                    m_kept.push_back(std::move(space));
                } catch (const std::bad_alloc&) {
                    // No room to keep it: it goes.
                }
            }
            if (space) m_held -= WholeBufferFootprint(space->capacity());
        }
        m_freed.notify_all();
    }

  private:
    // Spaces come in whole mebibytes, so that one serves packages of
    // somewhat different sizes.
    static constexpr std::uint64_t kGranule = 1ull << 20;
    // Beyond this, deflating a package takes far longer than first touching
    // its memory.
    static constexpr std::uint64_t kKeptCapacity = 16 * kGranule;

    static std::uint64_t CapacityFor(std::uint64_t size) {
        return std::max<std::uint64_t>(1, (size + kGranule - 1) / kGranule) * kGranule;
    }

    // The smallest kept space that fits; when none does, one of the level
    // that the package outgrew goes, to be replaced by a larger one.
    std::unique_ptr<DeflateSpace> TakeKept(std::uint64_t size, int level) {
        auto best = m_kept.end(), outgrown = m_kept.end();
        for (auto space = m_kept.begin(); space != m_kept.end(); ++space) {
            if ((*space)->Fits(size, level)) {
                if (best == m_kept.end() || (*space)->capacity() < (*best)->capacity())
                    best = space;
            } else if ((*space)->level() == level) {
                outgrown = space;
            }
        }
        if (best == m_kept.end()) {
            if (outgrown != m_kept.end()) DropKept(outgrown);
            return nullptr;
        }
        std::unique_ptr<DeflateSpace> space = std::move(*best);
        m_kept.erase(best);
        return space;
    }

    void DropKept(std::vector<std::unique_ptr<DeflateSpace>>::iterator space) {
        m_held -= WholeBufferFootprint((*space)->capacity());
        m_kept.erase(space);
    }

    void Release(std::uint64_t bytes) {
        {
            const std::lock_guard<std::mutex> lock(m_mutex);
            m_held -= bytes;
        }
        m_freed.notify_all();
    }

    std::mutex m_mutex;
    std::condition_variable m_freed;
    std::uint64_t m_held = 0;  // by the spaces in use and those kept
    std::vector<std::unique_ptr<DeflateSpace>> m_kept;
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
        if (!entry) return nullptr;
        entry->m_space = SharedMemory().Take(size, level);
        if (!entry->m_space) return nullptr;
        return entry;
    }
    ~WholeBufferEntry() {
        if (m_space) SharedMemory().Give(std::move(m_space));
    }
    WholeBufferEntry(const WholeBufferEntry&) = delete;
    WholeBufferEntry& operator=(const WholeBufferEntry&) = delete;

    // Never more than the size it was made for, all told.
    void Write(const void* data, std::size_t size) {
        std::memcpy(m_space->input() + m_used, data, size);
        m_used += size;
    }

    bool Finish(ArchiveOutput& output) {
        const auto [deflated, length] = m_space->Deflate(static_cast<std::size_t>(m_size));
        // The bound always leaves room: no stream at all would be no entry.
        return length != 0 && output.Write(deflated, length);
    }

  private:
    explicit WholeBufferEntry(std::uint64_t size) : m_size(size) {}

    const std::uint64_t m_size;
    std::unique_ptr<DeflateSpace> m_space;
    std::uint64_t m_used = 0;
};

// zlib's raw deflate as the bytes come, with the largest window and the
// default memory level.
class StreamingEntry {
  public:
    // Nothing when zlib cannot start. Its levels end at 9.
    static std::unique_ptr<StreamingEntry> Create(int level) {
        std::unique_ptr<StreamingEntry> entry(new (std::nothrow) StreamingEntry);
        if (!entry || !entry->m_buffer) return nullptr;
        entry->m_started = deflateInit2(&entry->m_stream, level, Z_DEFLATED, -MAX_WBITS, kMemLevel,
                                        Z_DEFAULT_STRATEGY) == Z_OK;
        if (!entry->m_started) return nullptr;
        return entry;
    }
    ~StreamingEntry() {
        if (m_started) deflateEnd(&m_stream);
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
    bool m_started = false;
};

}  // namespace

// The temporary archive and its one entry, deflated in one buffer or as
// the bytes come. The entry's bytes are written from where its local header
// ends; that header goes in last, once it can tell the CRC and the
// compressed size.
class KoloWriter::Archive {
  public:
    Archive(platform::AtomicFile output, ZipEntryRecord record, const KoloOptions& options)
        : file(std::make_unique<platform::AtomicFile>(std::move(output))),
          m_output(file->file()),
          m_record(std::move(record)) {
        if (!m_output.MoveTo(EntryDataOffset(m_record))) return;
        if (m_record.size <= options.wholeBufferLimit)
            m_wholeBuffer = WholeBufferEntry::Create(m_record.size, options.level);
        if (!m_wholeBuffer) m_streaming = StreamingEntry::Create(std::min(options.level, 9));
        m_open = m_wholeBuffer || m_streaming;
    }

    bool IsOpen() const { return m_open; }

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
        switch (CheckZipRecords(file->file(), m_record)) {
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

    // Handed to the committer once complete.
    std::unique_ptr<platform::AtomicFile> file;

  private:
    ArchiveOutput m_output;
    ZipEntryRecord m_record;  // its CRC of the bytes so far
    std::uint64_t m_received = 0;
    std::unique_ptr<WholeBufferEntry> m_wholeBuffer;
    std::unique_ptr<StreamingEntry> m_streaming;
    bool m_open = false;
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
    : m_committer(options.committer), m_progress(options.progress) {
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
        const std::uint64_t length = m_archive->file->file().Size().value_or(0);
        if (m_committer) {
            m_pending = m_committer->Commit(std::move(m_archive->file));
        } else if (const KoloCommit committed = CommitArchive(*m_archive->file);
                   committed.result != Result::kOk) {
            Fail(committed.result, committed.error);
        }
        if (IsOpen()) m_size = length;
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
