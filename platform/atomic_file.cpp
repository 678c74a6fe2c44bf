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
    : m_target(target), m_file(std::move(file)), m_temporary(std::move(temporary)) {}

AtomicFile::AtomicFile(AtomicFile&& other) noexcept
    : m_target(std::move(other.m_target)),
      m_file(std::move(other.m_file)),
      m_temporary(std::exchange(other.m_temporary, {})),
      m_sealed(other.m_sealed) {}

AtomicFile::~AtomicFile() {
    Discard();
}

void AtomicFile::Discard() {
    if (m_temporary.empty()) return;
    m_file.Close();
    RemoveFile(m_temporary);
    m_temporary.clear();
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
        result = existing == Existing::kReplace ? MoveReplacing(m_temporary, m_target)
                                                : MoveWithoutReplacing(m_temporary, m_target);
        if (result) m_temporary.clear();
    }
    Discard();
    return result;
}

}  // namespace platform
