// Finished archives made durable and moved onto their names on threads of
// their own, so that the work on the next archive never waits for the disk.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <functional>
#include <future>
#include <list>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "pipeline/kolo.h"
#include "platform/atomic_file.h"

namespace pipeline {

// Flushes the finished archive to disk, moves it onto its name and makes
// the move durable, unless a request to stop comes first: then the archive
// is removed and the commit is kInterrupted.
KoloCommit CommitArchive(platform::AtomicFile& archive);

class KoloCommitter {
  public:
    // Commits one archive; CommitArchive but in tests.
    using CommitStep = std::function<KoloCommit(platform::AtomicFile& archive)>;

    // At most `capacity` archives wait for their commit at once, each
    // holding its file open until it is flushed, and each has a thread to
    // be flushed on: the system gathers flushes that come together into
    // one write of its journal.
    explicit KoloCommitter(std::size_t capacity, CommitStep commit = CommitArchive);
    // Returns once every archive handed over is committed, or removed
    // after a request to stop.
    ~KoloCommitter();
    KoloCommitter(const KoloCommitter&) = delete;
    KoloCommitter& operator=(const KoloCommitter&) = delete;

    // Commits the archive. Archives of one name (letter case aside: on a
    // file system that ignores it they are one file) are committed one
    // after the other in the order they came, so the last one stands at
    // the end. Waits while `capacity` archives wait.
    PendingCommit Commit(std::unique_ptr<platform::AtomicFile> archive);

  private:
    struct Waiting {
        std::unique_ptr<platform::AtomicFile> archive;
        std::u16string name;  // the target, letter case folded
        std::promise<KoloCommit> commit;
        bool taken = false;  // its commit is under way
    };
    void Run();
    // The first archive whose commit can start now: none of its name's is
    // under way.
    std::list<Waiting>::iterator NextToCommit();

    const std::size_t m_capacity;
    const CommitStep m_commit;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::list<Waiting> m_waiting;  // in the order they came, with those under way
    bool m_ending = false;
    // None when the system gave none: each archive is committed as it is
    // handed over.
    std::vector<std::thread> m_threads;
};

}  // namespace pipeline
