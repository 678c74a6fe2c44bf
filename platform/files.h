// Files: open handles that read and write, and operations on paths. What
// can fail gives back its value or the system's error (error_or.h). What
// only tells files apart (which file, what kind, since when) is nothing, or
// missing, where the system cannot tell: no caller needs to know why.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/error_or.h"

namespace platform {

// What tells a file or folder from every other on the machine.
struct FileIdentity {
    std::uint64_t volume = 0, index = 0;
    bool operator==(const FileIdentity& other) const {
        return volume == other.volume && index == other.index;
    }
    bool operator<(const FileIdentity& other) const {
        return volume != other.volume ? volume < other.volume : index < other.index;
    }
};

class File {
  public:
    File() = default;
    ~File();
    File(File&& other) noexcept;
    File& operator=(File&& other) noexcept;
    File(const File&) = delete;
    File& operator=(const File&) = delete;

    // Opens an existing file to read its data, sharing it with other readers
    // only, so nobody can change it while it is open. Folders and other
    // things that are not plain files are refused, without being opened
    // where opening could wait (a serial port): their error IsNotAFile.
    // Nothing at the path IsMissing; a file that another program holds open
    // for writing IsInUse.
    static ErrorOr<File> OpenForReading(std::u16string_view path);

    // Creates a new file for writing (and reading back), shared with nobody.
    // Fails when a file of that name exists already (AlreadyExists).
    static ErrorOr<File> CreateNew(std::u16string_view path);

    // Opens something that exists and is not a plain file or folder (a
    // device, a pipe) to write into it.
    static ErrorOr<File> OpenDeviceForWriting(std::u16string_view path);

    // A pipe: what is written into `writeEnd` can be read from `readEnd`.
    // Neither end is handed to programs started later unless given to them
    // (see process.h).
    static ErrorOr<void> CreatePipe(File& readEnd, File& writeEnd);

    // Takes over a handle of the system's (a descriptor, a HANDLE) that the
    // caller opened, closing it in the end.
    static File Adopt(std::intptr_t handle) { return File(handle); }
    // The system's handle, for the platform layer's own calls.
    std::intptr_t handle() const { return m_handle; }

    bool IsOpen() const { return m_handle != kInvalid; }

    // The size in bytes.
    ErrorOr<std::uint64_t> Size() const;
    // What tells the open file from every other, or nothing when it cannot
    // be asked for.
    std::optional<FileIdentity> Identity() const;

    // Reads up to `capacity` bytes: how many it read, 0 at the end of the file.
    ErrorOr<std::size_t> Read(void* buffer, std::size_t capacity);
    // Writes all of `data`; a full volume IsDiskFull.
    ErrorOr<void> Write(const void* data, std::size_t length);
    // Moves the read and write position to `offset` from the start.
    ErrorOr<void> Seek(std::uint64_t offset);
    ErrorOr<std::uint64_t> Tell() const;
    // Makes everything written so far durable on disk; a full volume
    // IsDiskFull.
    ErrorOr<void> FlushToDisk();
    // Closes the handle. Some systems report a late write error only here.
    ErrorOr<void> Close();

  private:
    static constexpr std::intptr_t kInvalid = -1;
    explicit File(std::intptr_t handle) : m_handle(handle) {}
    std::intptr_t m_handle = kInvalid;
};

enum class PathKind { kMissing, kFile, kFolder, kOther };

// Whether a file or folder exists at the path (PathFileExistsW).
bool PathExists(std::u16string_view path);
PathKind KindOfPath(std::u16string_view path);
// What a folder's entry is itself: a link (a symbolic link; on Windows any
// reparse point, junctions included) is a link, whatever it leads to.
enum class EntryKind {
    kUnknown,  // the listing does not say (some file systems leave it out)
    kFile,
    kFolder,
    kLink,
    kOther,  // a device, a pipe, a socket; on Windows a name the system takes for a device
};
// What is at the path itself, a link not followed; kUnknown when nothing is.
EntryKind KindOfEntry(std::u16string_view path);

// Deletes a file (never a folder).
ErrorOr<void> RemoveFile(std::u16string_view path);

// Moves a file onto another path, replacing what is there, and makes the move
// durable.
ErrorOr<void> MoveReplacing(std::u16string_view from, std::u16string_view to);
// The same where nothing stands at `to`: something there, even one that
// appears meanwhile, stays, and the error AlreadyExists.
ErrorOr<void> MoveWithoutReplacing(std::u16string_view from, std::u16string_view to);

// Creates a new file with a unique name in the folder of `path`, open for
// writing into `file`; returns its path.
// The name is "~" and 12 hexadecimal digits with ".tmp", so whatever a
// killed program leaves behind is recognisably temporary.
ErrorOr<std::u16string> CreateTempFileBeside(std::u16string_view path, File& file);

// Creates a new folder of such a unique name inside `parent` (a folder
// ending in a separator), for this program's use alone; returns its path.
ErrorOr<std::u16string> CreateUniqueFolder(std::u16string_view parent);

// Removes an empty folder.
ErrorOr<void> RemoveFolder(std::u16string_view path);

// The folder for temporary files, ending in a separator.
std::u16string TempFolder();

// Creates one folder. Fails when something exists at the path already
// (AlreadyExists). An `ownerOnly` folder is closed to other users where the
// system has such rights (Windows' temporary folder is per user).
ErrorOr<void> CreateFolder(std::u16string_view path, bool ownerOnly = false);

// Creates the folder and every missing folder above it. Succeeds when a
// folder exists at the path afterwards.
ErrorOr<void> CreateFolders(std::u16string_view path);

// The names of everything in a folder, without "." and "..", in no
// particular order.
ErrorOr<std::vector<std::u16string>> ListFolder(std::u16string_view path);

struct FolderEntry {
    std::u16string name;
    EntryKind kind;  // as the listing tells it, without a further look
};
// ListFolder with each entry's kind where the listing gives it (d_type; the
// attributes FindFirstFileW finds), so that a walk through many files looks
// up only the few it wants.
ErrorOr<std::vector<FolderEntry>> ListFolderEntries(std::u16string_view path);

// When the file was created, in seconds since 1970 (UTC); where the file
// system keeps no creation time, when it was last changed.
std::optional<std::int64_t> CreationTime(std::u16string_view path);

// How many files this program may hold open at once, where the system sets
// such a limit (Windows sets none that counts here).
std::optional<std::uint64_t> OpenFileLimit();

// The identity of what the path names, through links; nothing when it
// cannot be asked for.
std::optional<FileIdentity> IdentityOf(std::u16string_view path);

// Whether two paths name the same file (through links too).
bool SameFile(std::u16string_view a, std::u16string_view b);

// Inputs are copied through one buffer of this size: memory stays the same
// whatever the inputs' sizes, and large reads and writes keep the number of
// system calls low (1 MiB packs about a fifth faster than 64 KiB). A buffer
// is kept for the copies after its own, so that no more are ever allocated
// than copies ran at once.
constexpr std::size_t kCopyBufferSize = 1024 * 1024;

// How a copy ended, once the source could be read.
enum class CopyResult {
    kOk,
    kSinkFailed,   // the sink refused the bytes
    kSizeChanged,  // the file ended before `length`, or went on after it
    kOutOfMemory,
    kInterrupted,  // a request to stop came (see interrupt.h)
};

// Takes the bytes a copy hands on; false stops the copy.
using ByteSink = std::function<bool(const void* data, std::size_t size)>;

// Copies from the file's current position into `sink`: exactly `length`
// bytes when given (the file must end there: whatever was measured of it
// must still hold), else up to its end. The error is the source's, when it
// could not be read.
ErrorOr<CopyResult> CopyStream(File& source, std::optional<std::uint64_t> length,
                               const ByteSink& sink);

}  // namespace platform
