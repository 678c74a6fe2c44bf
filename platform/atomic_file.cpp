#include "platform/atomic_file.h"

#include <utility>

namespace platform {

ErrorOr<AtomicFile> AtomicFile::Create(std::u16string_view target) {
    File file;
    ErrorOr<std::u16string> temporary = CreateTempFileBeside(target, file);
    if (!temporary) return temporary.error();
    return AtomicFile(target, std::move(*temporary), std::move(file));
}

AtomicFile::AtomicFile(std::u16string_view target, std::u16string temporary, File file)
    : m_strTarget(target), m_file(std::move(file)), m_strTemporary(std::move(temporary)) {}

AtomicFile::AtomicFile(AtomicFile&& other) noexcept
    : m_strTarget(std::move(other.m_strTarget)),
      m_file(std::move(other.m_file)),
      m_strTemporary(std::exchange(other.m_strTemporary, {})),
      m_sealed(other.m_sealed) {}

AtomicFile::~AtomicFile() {
    Discard();
}

void AtomicFile::Discard() {
    if (m_strTemporary.empty()) return;
    m_file.Close();
    RemoveFile(m_strTemporary);
    m_strTemporary.clear();
}

ErrorOr<void> AtomicFile::Seal() {
    if (!m_file.IsOpen()) return m_sealed;
    m_sealed = m_file.FlushToDisk();
    if (m_sealed) m_sealed = m_file.Close();
    return m_sealed;
}

ErrorOr<void> AtomicFile::Commit(Existing existing) {
    ErrorOr<void> result = Seal();
    if (result) {
        result = existing == Existing::kReplace ? MoveReplacing(m_strTemporary, m_strTarget)
                                                : MoveWithoutReplacing(m_strTemporary, m_strTarget);
        if (result) m_strTemporary.clear();
    }
    Discard();
    return result;
}

}  // namespace platform
