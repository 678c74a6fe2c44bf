#include <dirent.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <string>

#include "platform/files.h"
#include "platform/paths.h"
#include "platform/text.h"

namespace platform {
namespace {

std::string Native(std::u16string_view path) {
    return ToThreadAnsi(path);
}

int Fd(std::intptr_t handle) {
    return static_cast<int>(handle);
}

// A path as the system's *at calls take it. The system refuses a path of
// PATH_MAX bytes or more whole, however deep its folders really lie: such
// a path is reached in steps of whole names, each step's folder opened
// below the one before, and a call is handed the last folder and the rest.
class AtPath {
  public:
    explicit AtPath(std::u16string_view path) : m_rest(Native(path)) {
        while (m_rest.size() >= PATH_MAX) {
            const std::size_t cut = m_rest.rfind('/', PATH_MAX - 1);
            if (cut == std::string::npos) {
                errno = ENAMETOOLONG;
                m_failed = true;
                return;
            }
            const std::string step = cut == 0 ? "/" : m_rest.substr(0, cut);
            const int next = openat(folder(), step.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
            if (next < 0) {
                m_failed = true;
                return;
            }
            if (m_folder >= 0) close(m_folder);
            m_folder = next;
            const std::size_t rest = m_rest.find_first_not_of('/', cut);
            m_rest = rest == std::string::npos ? "." : m_rest.substr(rest);
        }
    }
    ~AtPath() {
        const int saved = errno;
        if (m_folder >= 0) close(m_folder);
        errno = saved;
    }
    AtPath(const AtPath&) = delete;
    AtPath& operator=(const AtPath&) = delete;

    // False when a folder on the way could not be opened: errno says why.
    explicit operator bool() const { return !m_failed; }
    int folder() const { return m_folder >= 0 ? m_folder : AT_FDCWD; }
    const char* name() const { return m_rest.c_str(); }

  private:
    std::string m_rest;
    int m_folder = -1;
    bool m_failed = false;
};

int OpenAt(std::u16string_view path, int flags, mode_t mode = 0) {
    const AtPath at(path);
    return at ? openat(at.folder(), at.name(), flags, mode) : -1;
}

bool StatAt(std::u16string_view path, struct stat& info, int flags = 0) {
    const AtPath at(path);
    return at && fstatat(at.folder(), at.name(), &info, flags) == 0;
}

}  // namespace

ErrorOr<File> File::OpenForReading(std::u16string_view path) {
    // O_NONBLOCK keeps a named pipe from blocking the open; only plain files
    // are kept, so it is cleared again at once.
    const int fd = OpenAt(path, O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return LastSystemError();
    File file(fd);
    struct stat info;
    if (fstat(fd, &info) != 0) return LastSystemError();
    if (!S_ISREG(info.st_mode)) return NotAFile();
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    return file;
}

ErrorOr<File> File::CreateNew(std::u16string_view path) {
    const int fd = OpenAt(path, O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) return LastSystemError();
    return File(fd);
}

ErrorOr<void> File::CreatePipe(File& readEnd, File& writeEnd) {
    int ends[2];
    if (pipe2(ends, O_CLOEXEC) != 0) return LastSystemError();
    readEnd = File(ends[0]);
    writeEnd = File(ends[1]);
    return {};
}

ErrorOr<File> File::OpenDeviceForWriting(std::u16string_view path) {
    const int fd = OpenAt(path, O_WRONLY | O_CLOEXEC);
    if (fd < 0) return LastSystemError();
    return File(fd);
}

ErrorOr<void> File::Seek(std::uint64_t offset) {
    if (lseek(Fd(m_handle), static_cast<off_t>(offset), SEEK_SET) < 0) return LastSystemError();
    return {};
}

ErrorOr<std::uint64_t> File::Tell() const {
    const off_t position = lseek(Fd(m_handle), 0, SEEK_CUR);
    if (position < 0) return LastSystemError();
    return static_cast<std::uint64_t>(position);
}

ErrorOr<std::uint64_t> File::Size() const {
    struct stat info;
    if (fstat(Fd(m_handle), &info) != 0) return LastSystemError();
    return static_cast<std::uint64_t>(info.st_size);
}

ErrorOr<std::size_t> File::Read(void* buffer, std::size_t capacity) {
    for (;;) {
        const ssize_t n = read(Fd(m_handle), buffer, capacity);
        if (n >= 0) return static_cast<std::size_t>(n);
        if (errno != EINTR) return LastSystemError();
    }
}

ErrorOr<void> File::Write(const void* data, std::size_t length) {
    const char* p = static_cast<const char*>(data);
    while (length > 0) {
        const ssize_t n = write(Fd(m_handle), p, length);
        if (n < 0) {
            if (errno == EINTR) continue;
            return LastSystemError();
        }
        p += n;
        length -= static_cast<std::size_t>(n);
    }
    return {};
}

ErrorOr<void> File::FlushToDisk() {
    if (fsync(Fd(m_handle)) == 0 || errno == EINVAL || errno == EROFS) return {};
    return LastSystemError();
}

ErrorOr<void> File::Close() {
    if (!IsOpen()) return {};
    const int result = close(Fd(m_handle));
    m_handle = kInvalid;
    if (result != 0) return LastSystemError();
    return {};
}

bool PathExists(std::u16string_view path) {
    const AtPath at(path);
    return !path.empty() && at && faccessat(at.folder(), at.name(), F_OK, 0) == 0;
}

PathKind KindOfPath(std::u16string_view path) {
    struct stat info;
    if (path.empty() || !StatAt(path, info)) return PathKind::kMissing;
    if (S_ISREG(info.st_mode)) return PathKind::kFile;
    if (S_ISDIR(info.st_mode)) return PathKind::kFolder;
    return PathKind::kOther;
}

EntryKind KindOfEntry(std::u16string_view path) {
    struct stat info;
    if (path.empty() || !StatAt(path, info, AT_SYMLINK_NOFOLLOW)) return EntryKind::kUnknown;
    if (S_ISREG(info.st_mode)) return EntryKind::kFile;
    if (S_ISDIR(info.st_mode)) return EntryKind::kFolder;
    return S_ISLNK(info.st_mode) ? EntryKind::kLink : EntryKind::kOther;
}

namespace {

// What a call that returns 0 on success (and sets errno) gives back.
ErrorOr<void> Done(bool succeeded) {
    if (!succeeded) return LastSystemError();
    return {};
}

}  // namespace

ErrorOr<void> RemoveFile(std::u16string_view path) {
    const AtPath at(path);
    return Done(at && unlinkat(at.folder(), at.name(), 0) == 0);
}

namespace {

// A new name is durable once the folder that holds it is.
void SyncFolderOf(std::u16string_view path) {
    const std::u16string_view folder = FolderOf(path);
    const int fd = OpenAt(folder.empty() ? u"." : folder, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        fsync(fd);
        close(fd);
    }
}

}  // namespace

ErrorOr<void> MoveReplacing(std::u16string_view from, std::u16string_view to) {
    const AtPath source(from), target(to);
    if (!source || !target ||
        renameat(source.folder(), source.name(), target.folder(), target.name()) != 0)
        return LastSystemError();
    SyncFolderOf(to);
    return {};
}

ErrorOr<void> MoveWithoutReplacing(std::u16string_view from, std::u16string_view to) {
    const AtPath source(from), target(to);
    bool moved = source && target &&
                 renameat2(source.folder(), source.name(), target.folder(), target.name(),
                           RENAME_NOREPLACE) == 0;
    // A file system that cannot rename so still makes links, which never
    // replace either.
    if (!moved && source && target && (errno == EINVAL || errno == ENOSYS) &&
        linkat(source.folder(), source.name(), target.folder(), target.name(), 0) == 0) {
        unlinkat(source.folder(), source.name(), 0);
        moved = true;
    }
    if (!moved) return LastSystemError();
    SyncFolderOf(to);
    return {};
}

std::u16string TempFolder() {
    const char* tmpdir = std::getenv("TMPDIR");
    std::string folder = tmpdir && *tmpdir ? tmpdir : "/tmp";
    if (folder.back() != '/') folder += '/';
    return FromThreadAnsi(folder);
}

ErrorOr<void> CreateFolder(std::u16string_view path, bool ownerOnly) {
    const AtPath at(path);
    return Done(at && mkdirat(at.folder(), at.name(), ownerOnly ? 0700 : 0777) == 0);
}

namespace {

EntryKind KindOfType(unsigned char type) {
    switch (type) {
        case DT_UNKNOWN:
            return EntryKind::kUnknown;
        case DT_REG:
            return EntryKind::kFile;
        case DT_DIR:
            return EntryKind::kFolder;
        case DT_LNK:
            return EntryKind::kLink;
        default:
            return EntryKind::kOther;
    }
}

}  // namespace

ErrorOr<std::vector<FolderEntry>> ListFolderEntries(std::u16string_view path) {
    const int fd = OpenAt(path, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    DIR* folder = fd < 0 ? nullptr : fdopendir(fd);
    if (!folder) {
        const SystemError failure = LastSystemError();
        if (fd >= 0) close(fd);
        return failure;
    }
    std::vector<FolderEntry> entries;
    while (const dirent* entry = readdir(folder)) {
        const std::string name = entry->d_name;
        if (name != "." && name != "..")
            entries.push_back({FromThreadAnsi(name), KindOfType(entry->d_type)});
    }
    closedir(folder);
    return entries;
}

ErrorOr<void> RemoveFolder(std::u16string_view path) {
    const AtPath at(path);
    return Done(at && unlinkat(at.folder(), at.name(), AT_REMOVEDIR) == 0);
}

std::optional<std::int64_t> CreationTime(std::u16string_view path) {
    struct statx info;
    const AtPath at(path);
    if (!at || statx(at.folder(), at.name(), 0, STATX_BTIME | STATX_MTIME, &info) != 0)
        return std::nullopt;
    return (info.stx_mask & STATX_BTIME) ? info.stx_btime.tv_sec : info.stx_mtime.tv_sec;
}

std::optional<std::uint64_t> OpenFileLimit() {
    struct rlimit limit;
    if (getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY)
        return std::nullopt;
    return static_cast<std::uint64_t>(limit.rlim_cur);
}

std::optional<FileIdentity> File::Identity() const {
    struct stat info;
    if (!IsOpen() || fstat(Fd(m_handle), &info) != 0) return std::nullopt;
    return FileIdentity{static_cast<std::uint64_t>(info.st_dev),
                        static_cast<std::uint64_t>(info.st_ino)};
}

std::optional<FileIdentity> IdentityOf(std::u16string_view path) {
    struct stat info;
    if (!StatAt(path, info)) return std::nullopt;
    return FileIdentity{static_cast<std::uint64_t>(info.st_dev),
                        static_cast<std::uint64_t>(info.st_ino)};
}

}  // namespace platform
