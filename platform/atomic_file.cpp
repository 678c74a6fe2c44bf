#include "platform/atomic_file.h"

namespace platform {

AtomicFile::AtomicFile(std::u16string_view target)
    : m_strTarget(target), m_strTemporary(CreateTempFileBeside(target, m_file)) {}

AtomicFile::~AtomicFile() {
    Discard();
}

void AtomicFile::Discard() {
    if (m_strTemporary.empty()) return;
    m_file.Close();
    RemoveFile(m_strTemporary);
    m_strTemporary.clear();
}

AtomicFile::CommitResult AtomicFile::Commit() {
    CommitResult result = CommitResult::kOk;
    if (const IoResult flushed = m_file.FlushToDisk(); flushed != IoResult::kOk) {
        result =
            flushed == IoResult::kDiskFull ? CommitResult::kDiskFull : CommitResult::kWriteFailed;
    } else if (!m_file.Close()) {
        result = CommitResult::kWriteFailed;
    } else if (!MoveReplacing(m_strTemporary, m_strTarget)) {
        result = CommitResult::kRenameFailed;
    } else {
        m_strTemporary.clear();
    }
    Discard();
    return result;
}

}  // namespace platform
