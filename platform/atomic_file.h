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
    explicit AtomicFile(std::u16string_view target);
    ~AtomicFile();
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    // Whether the temporary file could be created.
    bool IsOpen() const { return m_file.IsOpen(); }
    File& file() { return m_file; }
    const std::u16string& target() const { return m_strTarget; }

    enum class CommitResult {
        kOk,
        kWriteFailed,   // flushing or closing reported an error
        kDiskFull,      // flushing found no room
        kRenameFailed,  // the file could not take the target's place
        kTargetExists,  // something stands at the target, which was not to be replaced
    };
    enum class Existing { kReplace, kKeep };
    // Flushes everything to disk and closes the file, which keeps its
    // temporary name: many files can wait for their commit without holding
    // a handle each.
    CommitResult Seal();
    // Seals the file and moves it onto the target, replacing what is there
    // unless it is to be kept. After a failure the target is as it was and
    // the temporary file is gone.
    CommitResult Commit(Existing existing = Existing::kReplace);

    // The system's error behind the last failure.
    SystemError error() const { return m_error; }

  private:
    void Discard();

    std::u16string m_strTarget;
    File m_file;  // before the name: the constructor opens it while naming it
    std::u16string m_strTemporary;
    SystemError m_error;
    CommitResult m_sealed = CommitResult::kOk;
};

}  // namespace platform
