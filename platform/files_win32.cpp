#include <shlwapi.h>
#include <windows.h>

#include "platform/files.h"
#include "platform/wide.h"

namespace platform {
namespace {

HANDLE Handle(std::intptr_t handle) {
    return reinterpret_cast<HANDLE>(handle);
}
std::intptr_t Raw(HANDLE handle) {
    return reinterpret_cast<std::intptr_t>(handle);
}

IoResult FromLastError() {
    const DWORD error = GetLastError();
    return (error == ERROR_DISK_FULL || error == ERROR_HANDLE_DISK_FULL) ? IoResult::kDiskFull
                                                                         : IoResult::kFailed;
}

bool Identity(std::u16string_view path, BY_HANDLE_FILE_INFORMATION& info) {
    const HANDLE handle = CreateFileW(Wide(path).c_str(), FILE_READ_ATTRIBUTES,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return false;
    const BOOL ok = GetFileInformationByHandle(handle, &info);
    CloseHandle(handle);
    return ok != FALSE;
}

}  // namespace

File::~File() {
    Close();
}

File::File(File&& other) noexcept : handle_(other.handle_) {
    other.handle_ = kInvalid;
}

File& File::operator=(File&& other) noexcept {
    if (this != &other) {
        Close();
        handle_ = other.handle_;
        other.handle_ = kInvalid;
    }
    return *this;
}

File File::OpenForReading(std::u16string_view path) {
    const HANDLE handle = CreateFileW(Wide(path).c_str(), FILE_READ_DATA, FILE_SHARE_READ, nullptr,
                                      OPEN_EXISTING, 0, nullptr);
    return handle == INVALID_HANDLE_VALUE ? File() : File(Raw(handle));
}

File File::CreateNew(std::u16string_view path, bool* exists) {
    const HANDLE handle = CreateFileW(Wide(path).c_str(), FILE_ALL_ACCESS, 0, nullptr, CREATE_NEW,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
    if (exists) {
        const DWORD error = GetLastError();
        *exists = handle == INVALID_HANDLE_VALUE &&
                  (error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS);
    }
    return handle == INVALID_HANDLE_VALUE ? File() : File(Raw(handle));
}

File File::OpenDeviceForWriting(std::u16string_view path) {
    const HANDLE handle =
        CreateFileW(Wide(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                    OPEN_EXISTING, 0, nullptr);
    return handle == INVALID_HANDLE_VALUE ? File() : File(Raw(handle));
}

std::optional<std::uint64_t> File::Size() const {
    LARGE_INTEGER size;
    if (!IsOpen() || !GetFileSizeEx(Handle(handle_), &size)) return std::nullopt;
    return static_cast<std::uint64_t>(size.QuadPart);
}

IoResult File::Read(void* buffer, std::size_t capacity, std::size_t& got) {
    DWORD read = 0;
    const BOOL ok = ReadFile(Handle(handle_), buffer, static_cast<DWORD>(capacity), &read, nullptr);
    got = read;
    return ok ? IoResult::kOk : IoResult::kFailed;
}

IoResult File::Write(const void* data, std::size_t length) {
    const char* p = static_cast<const char*>(data);
    while (length > 0) {
        DWORD written = 0;
        if (!WriteFile(Handle(handle_), p, static_cast<DWORD>(length), &written, nullptr)) {
            return FromLastError();
        }
        if (written == 0) return IoResult::kFailed;
        p += written;
        length -= written;
    }
    return IoResult::kOk;
}

IoResult File::FlushToDisk() {
    return FlushFileBuffers(Handle(handle_)) ? IoResult::kOk : FromLastError();
}

bool File::Close() {
    if (!IsOpen()) return true;
    const BOOL ok = CloseHandle(Handle(handle_));
    handle_ = kInvalid;
    return ok != FALSE;
}

bool PathExists(std::u16string_view path) {
    return PathFileExistsW(Wide(path).c_str()) != FALSE;
}

PathKind KindOfPath(std::u16string_view path) {
    const DWORD attributes = GetFileAttributesW(Wide(path).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return PathKind::kMissing;
    return (attributes & FILE_ATTRIBUTE_DIRECTORY) ? PathKind::kFolder : PathKind::kFile;
}

bool RemoveFile(std::u16string_view path) {
    return DeleteFileW(Wide(path).c_str()) != FALSE;
}

bool MoveReplacing(std::u16string_view from, std::u16string_view to) {
    return MoveFileExW(Wide(from).c_str(), Wide(to).c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != FALSE;
}

bool SameFile(std::u16string_view a, std::u16string_view b) {
    BY_HANDLE_FILE_INFORMATION first, second;
    return Identity(a, first) && Identity(b, second) &&
           first.dwVolumeSerialNumber == second.dwVolumeSerialNumber &&
           first.nFileIndexHigh == second.nFileIndexHigh &&
           first.nFileIndexLow == second.nFileIndexLow;
}

}  // namespace platform
