#include "pipeline/kolo_committer.h"

#include <algorithm>
#include <new>
#include <system_error>
#include <utility>

#include "platform/interrupt.h"
#include "platform/text.h"

namespace pipeline {

KoloCommit CommitArchive(platform::AtomicFile& archive) {
    if (platform::InterruptRequested()) return {KoloResult::kInterrupted, {}};
    // Flushing can take a while: a stop that comes meanwhile still keeps the
    // archive from its name.
    const platform::ErrorOr<void> sealed = archive.Seal();
    if (!sealed) {
        if (platform::IsDiskFull(sealed.error())) return {KoloResult::kDiskFull, {}};
        return {KoloResult::kWriteFailed, sealed.error()};
    }
    if (platform::InterruptRequested()) return {KoloResult::kInterrupted, {}};
    if (const platform::ErrorOr<void> committed = archive.Commit(); !committed)
        return {KoloResult::kCannotCreate, committed.error()};
    return {};
}

KoloCommitter::KoloCommitter(std::size_t capacity, CommitStep commit)
    : m_capacity(std::max<std::size_t>(capacity, 1)), m_commit(std::move(commit)) {
    for (std::size_t i = 0; i < m_capacity; ++i) {
        try {
            m_threads.emplace_back(&KoloCommitter::Run, this);
        } catch (const std::system_error&) {
            break;  // the system gives no more threads: fewer it is
        }
    }
}

KoloCommitter::~KoloCommitter() {
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_ending = true;
    }
    m_changed.notify_all();
    for (std::thread& thread : m_threads) thread.join();
}

PendingCommit KoloCommitter::Commit(std::unique_ptr<platform::AtomicFile> archive) {
    std::promise<KoloCommit> commit;
    PendingCommit pending = commit.get_future().share();
    if (m_threads.empty()) {
        commit.set_value(m_commit(*archive));
        return pending;
    }
    std::u16string name = platform::FoldCase(archive->target());
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_changed.wait(lock, [&] { return m_waiting.size() < m_capacity; });
        m_waiting.push_back({std::move(archive), std::move(name), std::move(commit)});
    }
    m_changed.notify_all();
    return pending;
}

std::list<KoloCommitter::Waiting>::iterator KoloCommitter::NextToCommit() {
    for (auto next = m_waiting.begin(); next != m_waiting.end(); ++next) {
        if (next->taken) continue;
        const auto sameName = [&](const Waiting& other) {
            return other.taken && other.name == next->name;
        };
        if (std::none_of(m_waiting.begin(), next, sameName)) return next;
    }
    return m_waiting.end();
}

void KoloCommitter::Run() {
    std::unique_lock<std::mutex> lock(m_mutex);
    for (;;) {
        auto next = m_waiting.end();
        m_changed.wait(lock, [&] {
            next = NextToCommit();
            return next != m_waiting.end() || (m_ending && m_waiting.empty());
        });
        if (next == m_waiting.end()) return;
        // It stays in the list while it is committed, its file open: the
        // capacity counts it.
        next->taken = true;
        lock.unlock();
        KoloCommit committed;
        try {
            committed = m_commit(*next->archive);
        } catch (const std::bad_alloc&) {
            committed = {KoloResult::kOutOfMemory, {}};
        }
        next->archive.reset();  // one that did not take its name is removed
        next->commit.set_value(committed);
        lock.lock();
        m_waiting.erase(next);
        m_changed.notify_all();
    }
}

}  // namespace pipeline
