#include "app/win/process_runner.h"

#include <windows.h>

#include "platform/text.h"
#include "platform/wide.h"

namespace vellum {
namespace {

constexpr DWORD kReadChunk = 8096;

// Closes a handle when it goes out of scope.
class ScopedHandle {
public:
    explicit ScopedHandle(HANDLE handle = nullptr) : m_handle(handle) {}
    ~ScopedHandle() { Close(); }
    ScopedHandle(const ScopedHandle&) = delete;
    ScopedHandle& operator=(const ScopedHandle&) = delete;
    HANDLE get() const { return m_handle; }
    HANDLE* out() { return &m_handle; }
    void Close() {
        if (m_handle) CloseHandle(m_handle);
        m_handle = nullptr;
    }

private:
    HANDLE m_handle;
};

}  // namespace

bool ExecuteCommand(std::u16string_view program, std::u16string_view arguments, std::u16string& log) {
    SECURITY_ATTRIBUTES inheritable{sizeof inheritable, nullptr, TRUE};
    ScopedHandle readEnd, writeEnd;
    if (!CreatePipe(readEnd.out(), writeEnd.out(), &inheritable, 0)) return false;
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

    const std::u16string command = std::u16string(program) + u" " + std::u16string(arguments);
    std::wstring commandLine = platform::Wide(command);
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                        &process)) {
        log += u"Execute Commnand:" + command + u" Failure!\n";
        return false;
    }
    ScopedHandle processHandle(process.hProcess), threadHandle(process.hThread);
    writeEnd.Close();

    // Read while the child runs, so a child that prints more than the pipe
    // holds is never stuck; decode once at the end, so no character is cut
    // between two reads.
    std::string output;
    char buffer[kReadChunk];
    DWORD read = 0;
    while (ReadFile(readEnd.get(), buffer, kReadChunk, &read, nullptr) && read > 0) output.append(buffer, read);
    WaitForSingleObject(processHandle.get(), INFINITE);
    log += platform::FromSystemAnsi(output);
    return true;
}

bool QuillProcessPacker::Pack(std::u16string_view pakPath, std::u16string_view first, std::u16string_view second,
                              std::u16string& log) {
    return ExecuteCommand(u"quill.exe", PackerArguments(pakPath, first, second), log);
}

}  // namespace vellum
