#include <shlwapi.h>
#include <windows.h>

#include "platform/files.h"
#include "platform/paths.h"
#include "platform/scoped_handle_win32.h"
#include "platform/wide.h"

namespace platform {
namespace {

HANDLE Handle(std::intptr_t handle) {
    return reinterpret_cast<HANDLE>(handle);
}
std::intptr_t Raw(HANDLE handle) {
    return reinterpret_cast<std::intptr_t>(handle);
}

// The path as the system's calls take it. Windows refuses a path of
// MAX_PATH characters or more (a new folder's from MAX_PATH - 12) unless it
// is in the long form, \\?\ and the full path, which the system takes as
// it is, up to 32,767 characters: a path that long is handed over so.
std::wstring Native(std::u16string_view path) {
    std::wstring wide = Wide(path);
    // One in the long form already, or a device's (\\.\), stays as it is.
    const bool asItIs = wide.size() > 3 && wide.compare(0, 2, L"\\\\") == 0 &&
                        (wide[2] == L'?' || wide[2] == L'.') && wide[3] == L'\\';
    if (wide.size() < MAX_PATH - 12 || asItIs) return wide;
    const DWORD size = GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
    std::wstring full(size, L'\0');
    const DWORD length = GetFullPathNameW(wide.c_str(), size, full.data(), nullptr);
    if (length == 0 || length >= size) return wide;
    full.resize(length);
    // A share's path: \\server\share\... in the long form is \\?\UNC\server\share\...
    if (full.rfind(L"\\\\", 0) == 0) return L"\\\\?\\UNC\\" + full.substr(2);
    return L"\\\\?\\" + full;
}

// What a call that returns FALSE on failure (and sets the last error) gives
// back.
ErrorOr<void> Done(BOOL succeeded) {
    if (!succeeded) return LastSystemError();
    return {};
}

ErrorOr<File> Opened(HANDLE handle) {
    if (handle == INVALID_HANDLE_VALUE) return LastSystemError();
    return File::Adopt(Raw(handle));
}

}  // namespace

ErrorOr<File> File::OpenForReading(std::u16string_view path) {
    // A device name (NUL, AUX, COM1 ...) opens the device, which may wait
    // for ever: it is no file to read.
    if (IsDeviceName(path)) return NotAFile();
    ErrorOr<File> file = Opened(CreateFileW(Native(path).c_str(), FILE_READ_DATA, FILE_SHARE_READ,
                                            nullptr, OPEN_EXISTING, 0, nullptr));
    if (!file) {
        // What a folder gives.
        if (file.error().code == ERROR_ACCESS_DENIED && KindOfPath(path) == PathKind::kFolder)
            return NotAFile();
        return file;
    }
    if (GetFileType(Handle(file->handle())) != FILE_TYPE_DISK) return NotAFile();
    return file;
}

ErrorOr<File> File::CreateNew(std::u16string_view path) {
    return Opened(CreateFileW(Native(path).c_str(), FILE_ALL_ACCESS, 0, nullptr, CREATE_NEW,
                              FILE_ATTRIBUTE_NORMAL, nullptr));
}

ErrorOr<void> File::CreatePipe(File& readEnd, File& writeEnd) {
    HANDLE read = nullptr, write = nullptr;
    if (!::CreatePipe(&read, &write, nullptr, 0)) return LastSystemError();
    readEnd = File(Raw(read));
    writeEnd = File(Raw(write));
    return {};
}

ErrorOr<File> File::OpenDeviceForWriting(std::u16string_view path) {
    return Opened(CreateFileW(Native(path).c_str(), GENERIC_WRITE,
                              FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                              nullptr));
}

ErrorOr<void> File::Seek(std::uint64_t offset) {
    LARGE_INTEGER distance;
    distance.QuadPart = static_cast<LONGLONG>(offset);
    return Done(SetFilePointerEx(Handle(m_handle), distance, nullptr, FILE_BEGIN));
}

ErrorOr<std::uint64_t> File::Tell() const {
    LARGE_INTEGER zero{}, position;
    if (!SetFilePointerEx(Handle(m_handle), zero, &position, FILE_CURRENT))
        return LastSystemError();
    return static_cast<std::uint64_t>(position.QuadPart);
}

ErrorOr<std::uint64_t> File::Size() const {
    LARGE_INTEGER size;
    // The value of no handle is also the pseudo-handle of this process.
    if (!IsOpen()) return SystemError{ERROR_INVALID_HANDLE};
    if (!GetFileSizeEx(Handle(m_handle), &size)) return LastSystemError();
    return static_cast<std::uint64_t>(size.QuadPart);
}

ErrorOr<std::size_t> File::Read(void* buffer, std::size_t capacity) {
    DWORD read = 0;
    if (!ReadFile(Handle(m_handle), buffer, static_cast<DWORD>(capacity), &read, nullptr))
        return LastSystemError();
    return read;
}

ErrorOr<void> File::Write(const void* data, std::size_t length) {
    const char* p = static_cast<const char*>(data);
    while (length > 0) {
        DWORD written = 0;
        if (!WriteFile(Handle(m_handle), p, static_cast<DWORD>(length), &written, nullptr) ||
            written == 0) {
            return LastSystemError();
        }
        p += written;
        length -= written;
    }
    return {};
}

ErrorOr<void> File::FlushToDisk() {
    return Done(FlushFileBuffers(Handle(m_handle)));
}

ErrorOr<void> File::Close() {
    if (!IsOpen()) return {};
    const BOOL ok = CloseHandle(Handle(m_handle));
    m_handle = kInvalid;
    return Done(ok);
}

bool PathExists(std::u16string_view path) {
    const std::wstring native = Native(path);
    // The shell's test takes no path of MAX_PATH characters or more.
    if (native.size() >= MAX_PATH)
        return GetFileAttributesW(native.c_str()) != INVALID_FILE_ATTRIBUTES;
    return PathFileExistsW(native.c_str()) != FALSE;
}

PathKind KindOfPath(std::u16string_view path) {
    if (IsDeviceName(path)) return PathKind::kOther;
    const DWORD attributes = GetFileAttributesW(Native(path).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return PathKind::kMissing;
    return (attributes & FILE_ATTRIBUTE_DIRECTORY) ? PathKind::kFolder : PathKind::kFile;
}

namespace {

// What an entry with these attributes is, the path being no device's.
EntryKind KindOfAttributes(DWORD attributes) {
    if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) return EntryKind::kLink;
    return (attributes & FILE_ATTRIBUTE_DIRECTORY) ? EntryKind::kFolder : EntryKind::kFile;
}

}  // namespace

EntryKind KindOfEntry(std::u16string_view path) {
    if (IsDeviceName(path)) return EntryKind::kOther;
    const DWORD attributes = GetFileAttributesW(Native(path).c_str());
    return attributes == INVALID_FILE_ATTRIBUTES ? EntryKind::kUnknown
                                                 : KindOfAttributes(attributes);
}

ErrorOr<void> RemoveFile(std::u16string_view path) {
    return Done(DeleteFileW(Native(path).c_str()));
}

ErrorOr<void> MoveReplacing(std::u16string_view from, std::u16string_view to) {
    return Done(MoveFileExW(Native(from).c_str(), Native(to).c_str(),
                            MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH));
}

ErrorOr<void> MoveWithoutReplacing(std::u16string_view from, std::u16string_view to) {
    return Done(MoveFileExW(Native(from).c_str(), Native(to).c_str(), MOVEFILE_WRITE_THROUGH));
}

std::u16string TempFolder() {
    // The buffer is sized by asking, so a temporary folder of any length fits.
    const DWORD size = GetTempPathW(0, nullptr);
    std::wstring folder(size, L'\0');
    const DWORD length = GetTempPathW(size, folder.data());
    folder.resize(length < size ? length : 0);
    if (!folder.empty() && folder.back() != L'\\') folder += L'\\';
    return FromWide(folder);
}

ErrorOr<void> CreateFolder(std::u16string_view path, bool) {
    return Done(CreateDirectoryW(Native(path).c_str(), nullptr));
}

ErrorOr<std::vector<FolderEntry>> ListFolderEntries(std::u16string_view path) {
    std::wstring folder = Native(path);
    if (!folder.empty() && folder.back() != L'\\' && folder.back() != L'/') folder += L'\\';
    const std::wstring pattern = folder + L'*';
    WIN32_FIND_DATAW found;
    // Long names only: the basic level leaves the short 8.3 aliases out.
    const HANDLE search =
        FindFirstFileExW(pattern.c_str(), FindExInfoBasic, &found, FindExSearchNameMatch, nullptr,
                         FIND_FIRST_EX_LARGE_FETCH);
    std::vector<FolderEntry> entries;
    // An empty drive root has not even "." to find.
    if (search == INVALID_HANDLE_VALUE) {
        const SystemError failure = LastSystemError();
        if (failure.code == ERROR_FILE_NOT_FOUND) return entries;
        return failure;
    }
    do {
        const std::wstring name = found.cFileName;
        if (name == L"." || name == L"..") continue;
        // A device name reaches the device in any folder (aux.xml): no file.
        const EntryKind kind = IsDeviceName(FromWide(folder + name))
                                   ? EntryKind::kOther
                                   : KindOfAttributes(found.dwFileAttributes);
        entries.push_back({FromWide(name), kind});
    } while (FindNextFileW(search, &found));
    // A listing cut short is no listing: the names it lacks would be missed
    // without a word.
    const SystemError failure = LastSystemError();
    FindClose(search);
    if (failure.code != ERROR_NO_MORE_FILES) return failure;
    return entries;
}

ErrorOr<void> RemoveFolder(std::u16string_view path) {
    return Done(RemoveDirectoryW(Native(path).c_str()));
}

std::optional<std::int64_t> CreationTime(std::u16string_view path) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExW(Native(path).c_str(), GetFileExInfoStandard, &data))
        return std::nullopt;
    // 100-nanosecond steps since 1601.
    const std::uint64_t ticks =
        (static_cast<std::uint64_t>(data.ftCreationTime.dwHighDateTime) << 32) |
        data.ftCreationTime.dwLowDateTime;
    return static_cast<std::int64_t>(ticks / 10000000) - 11644473600LL;
}

std::optional<std::uint64_t> OpenFileLimit() {
    return std::nullopt;
}

namespace {

std::optional<FileIdentity> IdentityOfHandle(HANDLE handle) {
    BY_HANDLE_FILE_INFORMATION info;
    if (!GetFileInformationByHandle(handle, &info)) return std::nullopt;
    return FileIdentity{info.dwVolumeSerialNumber,
                        static_cast<std::uint64_t>(info.nFileIndexHigh) << 32 | info.nFileIndexLow};
}

}  // namespace

std::optional<FileIdentity> File::Identity() const {
    if (!IsOpen()) return std::nullopt;
    return IdentityOfHandle(Handle(m_handle));
}

std::optional<FileIdentity> IdentityOf(std::u16string_view path) {
    const ScopedHandle handle(CreateFileW(Native(path).c_str(), FILE_READ_ATTRIBUTES,
                                          FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                          nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS,
                                          nullptr));
    if (!handle) return std::nullopt;
    return IdentityOfHandle(handle.get());
}

}  // namespace platform
