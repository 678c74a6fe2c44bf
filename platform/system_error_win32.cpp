#include <windows.h>

#include "platform/system_error.h"
#include "platform/wide.h"

namespace platform {

SystemError LastSystemError() {
    return {static_cast<int>(GetLastError())};
}

std::u16string Describe(SystemError error) {
    if (error.code == 0) return {};
    wchar_t* text = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, static_cast<DWORD>(error.code), 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::wstring words(text ? text : L"", length);
    LocalFree(text);
    // The system ends its messages with a full stop and a line end.
    while (!words.empty() &&
           (words.back() == L'\n' || words.back() == L'\r' || words.back() == L' ' ||
            words.back() == L'.' || words.back() == L'\x3002')) {
        words.pop_back();
    }
    return words.empty() ? u"error " + FromWide(std::to_wstring(error.code)) : FromWide(words);
}

bool IsMissing(SystemError error) {
    return error.code == ERROR_FILE_NOT_FOUND || error.code == ERROR_PATH_NOT_FOUND ||
           error.code == ERROR_INVALID_NAME;
}

bool IsInUse(SystemError error) {
    return error.code == ERROR_SHARING_VIOLATION || error.code == ERROR_LOCK_VIOLATION;
}

bool AlreadyExists(SystemError error) {
    return error.code == ERROR_FILE_EXISTS || error.code == ERROR_ALREADY_EXISTS;
}

bool IsDiskFull(SystemError error) {
    return error.code == ERROR_DISK_FULL || error.code == ERROR_HANDLE_DISK_FULL;
}

}  // namespace platform
