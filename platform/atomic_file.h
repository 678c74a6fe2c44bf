// A file that takes its final name only once it is complete.
#pragma once

#include <string>
#include <string_view>

#include "platform/files.h"

namespace platform {

// Written under a temporary name beside the target (created exclusively, so
// nothing planted at that name is followed), then made durable and renamed
// onto the target by Commit(). Destroyed without a commit, it removes the
// temporary file: the target never holds a half-written file, and a run that
// fails or is stopped leaves nothing at the final name.
class AtomicFile {
  public:
    // Creates the temporary file beside the target.
    static ErrorOr<AtomicFile> Create(std::u16string_view target);
    ~AtomicFile();
    AtomicFile(AtomicFile&& other) noexcept;
    AtomicFile& operator=(AtomicFile&&) = delete;
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    File& file() { return m_file; }
    const std::u16string& target() const { return m_target; }

    enum class Existing { kReplace, kKeep };
    // Flushes everything to disk (a full volume IsDiskFull) and closes the
    // file, which keeps its temporary name: many files can wait for their
    // commit without holding a handle each.
    ErrorOr<void> Seal();
    // Seals the file and moves it onto the target, replacing what is there
    // unless it is to be kept (something there then AlreadyExists). After a
    // failure the target is as it was and the temporary file is gone. Whoever
    // tells a failure to write from one to take the name seals first.
    ErrorOr<void> Commit(Existing existing = Existing::kReplace);

  private:
    AtomicFile(std::u16string_view target, std::u16string temporary, File file);
    void Discard();

    std::u16string m_target;
    File m_file;
    std::u16string m_temporary;
    ErrorOr<void> m_sealed;
};

}  // namespace platform
