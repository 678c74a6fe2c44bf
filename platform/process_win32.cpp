#include <windows.h>

#include "platform/process.h"
#include "platform/scoped_handle_win32.h"
#include "platform/wide.h"

namespace platform {
namespace {

constexpr DWORD kReadChunk = 8096;

}  // namespace

std::u16string ProgramFolder() {
    // Sized by asking until the path fits.
    for (DWORD capacity = MAX_PATH;; capacity *= 2) {
        std::wstring path(capacity, L'\0');
        const DWORD length = GetModuleFileNameW(nullptr, path.data(), capacity);
        if (length == 0) return {};
        if (length < capacity) {
            path.resize(length);
            return FromWide(path.substr(0, path.find_last_of(L"\\/") + 1));
        }
    }
}

std::u16string ProgramFileName(std::u16string_view name) {
    return std::u16string(name) + u".exe";
}

std::optional<ProgramOutput> RunCollectingOutput(std::u16string_view commandLine) {
    SECURITY_ATTRIBUTES inheritable{sizeof inheritable, nullptr, TRUE};
    ScopedHandle readEnd, writeEnd;
    if (!CreatePipe(readEnd.out(), writeEnd.out(), &inheritable, 0)) return std::nullopt;
    // Only the child's end is inherited: a copy of ours in the child would
    // keep the pipe from ever reporting its end.
    SetHandleInformation(readEnd.get(), HANDLE_FLAG_INHERIT, 0);

    STARTUPINFOW startup;
    GetStartupInfoW(&startup);
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW | STARTF_USESTDHANDLES;
    startup.wShowWindow = SW_HIDE;
    startup.hStdOutput = writeEnd.get();
    startup.hStdError = writeEnd.get();
    // The C runtime's table of inherited descriptors belongs to our own
    // start; handed on, it would take precedence over the pipe in the child.
    startup.cbReserved2 = 0;
    startup.lpReserved2 = nullptr;

    std::wstring command = Wide(commandLine);
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                        &startup, &process)) {
        return std::nullopt;
    }
    ScopedHandle processHandle(process.hProcess), threadHandle(process.hThread);
    writeEnd.Close();

    // Read while the child runs, so a child that prints more than the pipe
    // holds is never stuck.
    ProgramOutput output;
    char buffer[kReadChunk];
    DWORD read = 0;
    while (ReadFile(readEnd.get(), buffer, kReadChunk, &read, nullptr) && read > 0)
        output.bytes.append(buffer, read);
    WaitForSingleObject(processHandle.get(), INFINITE);
    DWORD status = 0;
    GetExitCodeProcess(processHandle.get(), &status);
    output.exitStatus = static_cast<int>(status);
    return output;
}

}  // namespace platform
