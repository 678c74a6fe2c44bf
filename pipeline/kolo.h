// The .kolo package: a ZIP archive that holds a .pak as its only entry,
// deflated at level 9 unless another is asked for.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <future>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "platform/system_error.h"

namespace pipeline {

// The dialog application's level; mkkolo's by default.
constexpr int kKoloLevel = 9;
// libdeflate's levels: 1 the fastest, 12 the smallest.
constexpr int kMinKoloLevel = 1;
constexpr int kMaxKoloLevel = 12;

// libdeflate compresses one whole buffer at a time, into one buffer: a
// package up to this size is held in memory with its compressed copy and
// deflated by libdeflate; a larger one streams through zlib's deflate, in
// little memory. Two of the largest whole-buffer packages together take
// about 540 MiB, well within what a 32-bit process can hold.
constexpr std::uint64_t kWholeBufferLimit = 128ull << 20;

// How far a writer has come with its package, for another thread to read
// while it writes (a progress line): bumped once for each piece of the
// package it takes, which costs next to nothing.
struct KoloProgress {
    // The package's bytes, once the archive is started.
    std::atomic<std::uint64_t> size{0};
    // Of them, those deflated; for a package deflated in one piece, those
    // gathered for it, which is deflated when they are all there.
    std::atomic<std::uint64_t> taken{0};
};

// What the writing of an archive came to.
enum class KoloResult {
    kOk,
    kCannotCreate,
    kWriteFailed,
    kDiskFull,
    kTooLarge,      // the package or its deflated bytes would need ZIP64 records
    kNotAsWritten,  // the archive read back says other than what was written
    kInterrupted,   // a request to stop came before the archive took its name
    kOutOfMemory,   // memory ran out while the archive was committed
};

// What the commit of a finished archive came to, with the system's reason
// for a failure where it gave one.
struct KoloCommit {
    KoloResult result = KoloResult::kOk;
    platform::SystemError error;
};
// A commit that a KoloCommitter makes, told once it is made.
using PendingCommit = std::shared_future<KoloCommit>;

class KoloCommitter;  // pipeline/kolo_committer.h

struct KoloOptions {
    int level = kKoloLevel;  // zlib, for packages beyond the limit, stops at 9
    // The entry's date, in seconds since 1970, instead of the package's
    // creation time.
    std::optional<std::int64_t> entryTime;
    // Lower only to compare the two ways of deflating.
    std::uint64_t wholeBufferLimit = kWholeBufferLimit;
    // Where the writer tells how far it has come, if anywhere.
    KoloProgress* progress = nullptr;
    // Where a finished archive goes to be made durable and take its name,
    // so that the next archive's work does not wait for the disk; without
    // one, the writer commits it itself.
    KoloCommitter* committer = nullptr;
};

// The package path with its extension replaced by ".kolo":
// D:\out\night.pak gives D:\out\night.kolo.
std::u16string KoloPathFor(std::u16string_view pakPath);

// The entry's date and time in the ZIP format's MS-DOS encoding, from a
// moment in seconds since 1970, in local time.
std::uint32_t DosDateTime(std::int64_t seconds);

// The .kolo of the package at `pakPath`, written as the package's bytes come
// in: the archive takes its name only when Commit() completes it, and is
// gone when the writer is destroyed without. The entry is named after the
// package file; its bytes need not be in a file at all.
class KoloWriter {
  public:
    using Result = KoloResult;

    // An archive for a package of `size` bytes, dated `entryTime` (seconds
    // since 1970). A whole-buffer package first waits until the memory that
    // other writers in the program hold leaves room for its own.
    KoloWriter(std::u16string_view pakPath, std::uint64_t size, std::int64_t entryTime,
               const KoloOptions& options);
    ~KoloWriter();
    KoloWriter(const KoloWriter&) = delete;
    KoloWriter& operator=(const KoloWriter&) = delete;

    // Whether the archive could be started; if not, result() says why.
    bool IsOpen() const;
    // Takes the package's next bytes; false when they could not be written.
    bool Write(const void* data, std::size_t size);
    // Deflates what is left, completes the archive and moves it onto the
    // .kolo path, replacing what is there. All `size` bytes must have come.
    // With a committer, the archive is complete when this returns kOk, and
    // pending() tells what its commit comes to.
    Result Commit();
    // The commit left to the committer; not valid without one.
    const PendingCommit& pending() const { return m_pending; }
    Result result() const { return m_result; }
    // The system's reason for a failure to create or write the archive,
    // where it gave one.
    platform::SystemError error() const { return m_error; }
    // The archive's length in bytes, once committed (or handed to the
    // committer).
    std::uint64_t size() const { return m_size; }

  private:
    class Archive;
    bool Fail(Result result, platform::SystemError error = {});

    std::unique_ptr<Archive> m_archive;
    KoloCommitter* m_committer;
    Result m_result = Result::kOk;
    platform::SystemError m_error;
    std::uint64_t m_size = 0;
    KoloProgress* const m_progress;
    PendingCommit m_pending;
};

// Wraps the package file into the .kolo beside it, replacing any older one.
// The archive appears only when it is complete and reads back as written;
// after a failure an older one stays as it was. The package is deleted on
// request, and only when the archive is complete. A package that cannot be
// read gives kCannotCreate, as no archive is made of it.
KoloWriter::Result MakeKoloPackage(std::u16string_view pakPath, bool deletePak,
                                   const KoloOptions& options = {});

}  // namespace pipeline
