#include "pipeline/kolo_committer.h"

#include <algorithm>
#include <new>
#include <system_error>

#include "platform/interrupt.h"

namespace pipeline {

KoloCommit CommitArchive(platform::AtomicFile& archive) {
    using platform::AtomicFile;
    if (platform::InterruptRequested()) return {KoloResult::kInterrupted, {}};
    // Flushing can take a while: a stop that comes meanwhile still keeps the
    // archive from its name.
    if (archive.Seal() == AtomicFile::CommitResult::kOk && platform::InterruptRequested())
        return {KoloResult::kInterrupted, {}};
    switch (archive.Commit()) {
        case AtomicFile::CommitResult::kOk:
            break;
        case AtomicFile::CommitResult::kDiskFull:
            return {KoloResult::kDiskFull, {}};
        case AtomicFile::CommitResult::kWriteFailed:
            return {KoloResult::kWriteFailed, archive.error()};
        case AtomicFile::CommitResult::kRenameFailed:
        case AtomicFile::CommitResult::kTargetExists:
            return {KoloResult::kCannotCreate, archive.error()};
    }
    return {};
}

KoloCommitter::KoloCommitter(std::size_t capacity)
    : m_capacity(std::max<std::size_t>(capacity, 1)) {
    try {
        m_thread = std::thread(&KoloCommitter::Run, this);
    } catch (const std::system_error&) {
        // The system gives no more threads: each archive is committed as it
        // is handed over.
    }
}

KoloCommitter::~KoloCommitter() {
    if (!m_thread.joinable()) return;
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_bEnding = true;
    }
    m_changed.notify_all();
    m_thread.join();
}

PendingCommit KoloCommitter::Commit(std::unique_ptr<platform::AtomicFile> archive) {
    std::promise<KoloCommit> commit;
    PendingCommit pending = commit.get_future().share();
    if (!m_thread.joinable()) {
        commit.set_value(CommitArchive(*archive));
        return pending;
    }
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_changed.wait(lock, [&] { return m_waiting.size() < m_capacity; });
        m_waiting.push_back({std::move(archive), std::move(commit)});
    }
    m_changed.notify_all();
    return pending;
}

void KoloCommitter::Run() {
    std::unique_lock<std::mutex> lock(m_mutex);
    for (;;) {
        m_changed.wait(lock, [&] { return !m_waiting.empty() || m_bEnding; });
        if (m_waiting.empty()) return;
        // It stays in the queue while it is committed, its file open: the
        // capacity counts it.
        Waiting& next = m_waiting.front();
        lock.unlock();
        KoloCommit committed;
        try {
            committed = CommitArchive(*next.archive);
        } catch (const std::bad_alloc&) {
            committed = {KoloResult::kOutOfMemory, {}};
        }
        next.archive.reset();  // one that did not take its name is removed
        next.commit.set_value(committed);
        lock.lock();
        m_waiting.pop_front();
        m_changed.notify_all();
    }
}

}  // namespace pipeline
