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

// The console the programs run on when a test asks for a terminal: this
// program's own, made once, its screen wide enough that no line of a test
// wraps. Wine makes one only where it has a display (xvfb-run).
constexpr SHORT kConsoleColumns = 400, kConsoleRows = 200;

HANDLE ConsoleScreen() {
    static const HANDLE screen = [] {
        FreeConsole();
        if (!AllocConsole()) return INVALID_HANDLE_VALUE;
        SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
        const HANDLE handle =
            CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE,
                        FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, OPEN_EXISTING, 0, nullptr);
        if (handle == INVALID_HANDLE_VALUE ||
            !SetConsoleScreenBufferSize(handle, {kConsoleColumns, kConsoleRows})) {
            return INVALID_HANDLE_VALUE;
        }
        return handle;
    }();
    if (screen == INVALID_HANDLE_VALUE) throw std::runtime_error("no console to run on");
    return screen;
}

void ClearScreen(HANDLE screen) {
    DWORD written = 0;
    FillConsoleOutputCharacterW(screen, L' ', kConsoleColumns * kConsoleRows, {0, 0}, &written);
    SetConsoleCursorPosition(screen, {0, 0});
}

// What the screen shows down to the cursor's row, each row without the
// blanks at its end.
std::string ReadScreen(HANDLE screen) {
    CONSOLE_SCREEN_BUFFER_INFO info;
    if (!GetConsoleScreenBufferInfo(screen, &info)) throw std::runtime_error("console");
    std::wstring text;
    for (SHORT row = 0; row <= info.dwCursorPosition.Y; ++row) {
        wchar_t cells[kConsoleColumns];
        DWORD read = 0;
        ReadConsoleOutputCharacterW(screen, cells, kConsoleColumns, {0, row}, &read);
        std::wstring line(cells, read);
        line.erase(line.find_last_not_of(L' ') + 1);
        text += (row > 0 ? L"\n" : L"") + line;
    }
    return platform::Utf16ToUtf8(platform::FromWide(text));
}

// Starts the program with the given standard output and standard error;
// false when it cannot be started.
bool Start(const std::string& program, const std::vector<std::u16string>& args,
           const RunOptions& options, HANDLE out, HANDLE err, PROCESS_INFORMATION& process) {
    std::wstring commandLine = Quote(platform::Wide(ProgramPath(program)));
    for (const auto& arg : args) commandLine += L" " + Quote(platform::Wide(arg));
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = out;
    startup.hStdError = err;
    std::wstring env = EnvironmentBlock(options.environment);
    const std::wstring folder = platform::Wide(options.folder);
    return CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, TRUE,
                          CREATE_UNICODE_ENVIRONMENT, env.data(),
                          folder.empty() ? nullptr : folder.c_str(), &startup, &process) != FALSE;
}

int WaitForExit(const PROCESS_INFORMATION& process) {
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD code = 0;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return static_cast<int>(code);
}

ProcessResult RunOnConsole(const std::string& program, const std::vector<std::u16string>& args,
                           const RunOptions& options) {
    const HANDLE screen = ConsoleScreen();
    ClearScreen(screen);
    PROCESS_INFORMATION process{};
    if (!Start(program, args, options, screen, screen, process))
        throw std::runtime_error("cannot start " + program);
    ProcessResult result;
    result.exitCode = WaitForExit(process);
    result.output = ReadScreen(screen);
    return result;
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
    if (options.terminal) return RunOnConsole(program, args, options);
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE outRead, outWrite, errRead, errWrite;
    if (!CreatePipe(&outRead, &outWrite, &inherit, 0) ||
        !CreatePipe(&errRead, &errWrite, &inherit, 0)) {
        throw std::runtime_error("CreatePipe");
    }
    SetHandleInformation(outRead, HANDLE_FLAG_INHERIT, 0);
    SetHandleInformation(errRead, HANDLE_FLAG_INHERIT, 0);
    PROCESS_INFORMATION process{};
    const bool started = Start(program, args, options, outWrite, errWrite, process);
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
    result.exitCode = WaitForExit(process);
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
