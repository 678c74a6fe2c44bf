// Finished archives made durable and moved onto their names on a thread of
// their own, so that the work on the next archive never waits for the disk.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <future>
#include <memory>
#include <mutex>
#include <thread>

#include "pipeline/kolo.h"
#include "platform/atomic_file.h"

namespace pipeline {

// Flushes the finished archive to disk, moves it onto its name and makes
// the move durable, unless a request to stop comes first: then the archive
// is removed and the commit is kInterrupted.
KoloCommit CommitArchive(platform::AtomicFile& archive);

class KoloCommitter {
  public:
    // At most `capacity` archives wait for their commit at once, each
    // holding its file open until it is flushed.
    explicit KoloCommitter(std::size_t capacity);
    // Returns once every archive handed over is committed, or removed
    // after a request to stop.
    ~KoloCommitter();
    KoloCommitter(const KoloCommitter&) = delete;
    KoloCommitter& operator=(const KoloCommitter&) = delete;

    // Commits the archive after those handed over before it, in the order
    // they came. Waits while `capacity` archives wait.
    PendingCommit Commit(std::unique_ptr<platform::AtomicFile> archive);

  private:
    struct Waiting {
        std::unique_ptr<platform::AtomicFile> archive;
        std::promise<KoloCommit> commit;
    };
    void Run();

    const std::size_t m_capacity;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<Waiting> m_waiting;  // the first one's commit may be under way
    bool m_bEnding = false;
    std::thread m_thread;  // none when the system gave none: each commit is made at once
};

}  // namespace pipeline
