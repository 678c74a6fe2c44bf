#include "platform/atomic_file.h"

namespace platform {

AtomicFile::AtomicFile(std::u16string_view target)
    : m_strTarget(target), m_strTemporary(CreateTempFileBeside(target, m_file)) {
    if (m_strTemporary.empty()) m_error = LastSystemError();
}

AtomicFile::~AtomicFile() {
    Discard();
}

void AtomicFile::Discard() {
    if (m_strTemporary.empty()) return;
    m_file.Close();
    RemoveFile(m_strTemporary);
    m_strTemporary.clear();
}

AtomicFile::CommitResult AtomicFile::Seal() {
    if (!m_file.IsOpen()) return m_sealed;
    if (const IoResult flushed = m_file.FlushToDisk(); flushed != IoResult::kOk) {
        m_error = LastSystemError();
        m_sealed =
            flushed == IoResult::kDiskFull ? CommitResult::kDiskFull : CommitResult::kWriteFailed;
    } else if (!m_file.Close()) {
        m_error = LastSystemError();
        m_sealed = CommitResult::kWriteFailed;
    }
    return m_sealed;
}

AtomicFile::CommitResult AtomicFile::Commit(Existing existing) {
    CommitResult result = m_strTemporary.empty() ? CommitResult::kWriteFailed : Seal();
    if (result == CommitResult::kOk) {
        bool exists = false;
        const bool moved = existing == Existing::kReplace
                               ? MoveReplacing(m_strTemporary, m_strTarget)
                               : MoveWithoutReplacing(m_strTemporary, m_strTarget, &exists);
        if (moved) {
            m_strTemporary.clear();
        } else {
            m_error = LastSystemError();
            result = exists ? CommitResult::kTargetExists : CommitResult::kRenameFailed;
        }
    }
    Discard();
    return result;
}

}  // namespace platform
