#include <windows.h>

#include <stdexcept>
#include <thread>

#include "platform/text.h"
#include "platform/wide.h"
#include "tests/support/process.h"
#include "tests/support/temp_dir.h"

namespace testing_support {
namespace {

// Quotes one argument the way the C runtime splits command lines.
std::wstring Quote(const std::wstring& arg) {
    if (!arg.empty() && arg.find_first_of(L" \t\"") == std::wstring::npos) return arg;
    std::wstring quoted = L"\"";
    size_t backslashes = 0;
    for (wchar_t c : arg) {
        if (c == L'\\') {
            ++backslashes;
        } else if (c == L'"') {
            quoted.append(backslashes * 2 + 1, L'\\');
            backslashes = 0;
        } else {
            backslashes = 0;
        }
        quoted += c;
    }
    quoted.append(backslashes, L'\\');
    return quoted + L"\"";
}

std::wstring EnvironmentBlock(const std::vector<std::pair<std::string, std::string>>& overrides) {
    std::wstring block;
    wchar_t* strings = GetEnvironmentStringsW();
    for (const wchar_t* p = strings; *p; p += wcslen(p) + 1) {
        const std::wstring entry = p;
        bool replaced = false;
        for (const auto& [name, value] : overrides) {
            const std::wstring prefix = platform::Wide(platform::Utf8ToUtf16(name)) + L"=";
            replaced |= _wcsnicmp(entry.c_str(), prefix.c_str(), prefix.size()) == 0;
        }
        if (!replaced) block += entry + L'\0';
    }
    FreeEnvironmentStringsW(strings);
    for (const auto& [name, value] : overrides) {
        block += platform::Wide(platform::Utf8ToUtf16(name + "=" + value)) + L'\0';
    }
    return block + L'\0';
}

void Drain(HANDLE pipe, std::string& sink) {
    char buffer[65536];
    DWORD read = 0;
    while (ReadFile(pipe, buffer, sizeof buffer, &read, nullptr) && read > 0)
        sink.append(buffer, read);
}

}  // namespace

int ExitStatusMinusOne() {
    return -1;
}

void SendCtrlC() {
    FreeConsole();
    if (!AllocConsole() || !GenerateConsoleCtrlEvent(CTRL_C_EVENT, 0)) {
        throw std::runtime_error("cannot send a Ctrl+C event");
    }
}

bool RunningUnderWine() {
    return GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
}

ProcessResult RunProgram(const std::string& program, const std::vector<std::u16string>& args,
                         const RunOptions& options) {
    std::wstring commandLine = Quote(platform::Wide(ProgramPath(program)));
    for (const auto& arg : args) commandLine += L" " + Quote(platform::Wide(arg));

    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE outRead, outWrite, errRead, errWrite;
    if (!CreatePipe(&outRead, &outWrite, &inherit, 0) ||
        !CreatePipe(&errRead, &errWrite, &inherit, 0)) {
        throw std::runtime_error("CreatePipe");
    }
    SetHandleInformation(outRead, HANDLE_FLAG_INHERIT, 0);
    SetHandleInformation(errRead, HANDLE_FLAG_INHERIT, 0);

    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = outWrite;
    startup.hStdError = errWrite;
    PROCESS_INFORMATION process{};
    std::wstring env = EnvironmentBlock(options.environment);
    const std::wstring folder = platform::Wide(options.folder);
    const BOOL started = CreateProcessW(
        nullptr, commandLine.data(), nullptr, nullptr, TRUE, CREATE_UNICODE_ENVIRONMENT, env.data(),
        folder.empty() ? nullptr : folder.c_str(), &startup, &process);
    CloseHandle(outWrite);
    CloseHandle(errWrite);
    if (!started) {
        CloseHandle(outRead);
        CloseHandle(errRead);
        throw std::runtime_error("cannot start " + program);
    }

    ProcessResult result;
    std::thread errors(Drain, errRead, std::ref(result.errors));
    Drain(outRead, result.output);
    errors.join();
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD code = 0;
    GetExitCodeProcess(process.hProcess, &code);
    result.exitCode = static_cast<int>(code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    CloseHandle(outRead);
    CloseHandle(errRead);
    return result;
}

ScopedTempFolder::ScopedTempFolder(const std::filesystem::path& folder) {
    wchar_t saved[32768];
    const DWORD length = GetEnvironmentVariableW(L"TMP", saved, 32768);
    m_bHadValue = length > 0;
    m_strSaved = platform::FromWide(std::wstring(saved, length));
    SetEnvironmentVariableW(L"TMP", folder.wstring().c_str());
}

ScopedTempFolder::~ScopedTempFolder() {
    SetEnvironmentVariableW(L"TMP", m_bHadValue ? platform::Wide(m_strSaved).c_str() : nullptr);
}

}  // namespace testing_support
