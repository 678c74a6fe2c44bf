#include <shlwapi.h>
#include <windows.h>

#include <string>

#include "platform/paths.h"
#include "platform/wide.h"

namespace platform {

const char16_t kPathSeparator = u'\\';
namespace {

// The shell functions want a terminated string; the offset they find in the
// copy is the offset in the caller's view.
template <typename ShellFunction>
size_t OffsetBy(ShellFunction function, std::u16string_view path) {
    std::wstring copy(path.begin(), path.end());
    const wchar_t* found = function(copy.c_str());
    return found ? static_cast<size_t>(found - copy.c_str()) : path.size();
}

}  // namespace

std::u16string_view FindFileName(std::u16string_view path) {
    return path.substr(OffsetBy(PathFindFileNameW, path));
}

std::u16string_view FindExtension(std::u16string_view path) {
    return path.substr(OffsetBy(PathFindExtensionW, path));
}

// As ntdll's own test decides.
bool IsDeviceName(std::u16string_view path) {
    using Test = ULONG(WINAPI*)(PCWSTR);
    static const auto test = reinterpret_cast<Test>(reinterpret_cast<void (*)()>(
        GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "RtlIsDosDeviceName_U")));
    return test && test(Wide(path).c_str()) != 0;
}

}  // namespace platform
