#include <windows.h>

#include <stdexcept>
#include <thread>

#include "platform/text.h"
#include "platform/wide.h"
#include "tests/support/process.h"
#include "tests/support/temp_dir.h"

namespace testing_support {
namespace {

void Drain(platform::File& pipe, std::string& sink) {
    char buffer[65536];
    std::size_t got = 0;
    while ((got = pipe.Read(buffer, sizeof buffer).value_or(0)) > 0) {
        sink.append(buffer, got);
    }
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

// Starts the program with the given standard output and standard error.
platform::Process Start(const std::string& program, const std::vector<std::u16string>& args,
                        const RunOptions& options, const platform::File& out,
                        const platform::File& err) {
    platform::StartOptions start = StartOptionsFor(options);
    start.output = &out;
    start.errors = &err;
    std::optional<platform::Process> process =
        platform::Process::Start(ProgramPath(program), args, start);
    if (!process) throw std::runtime_error("cannot start " + program);
    return std::move(*process);
}

ProcessResult RunOnConsole(const std::string& program, const std::vector<std::u16string>& args,
                           const RunOptions& options) {
    const HANDLE screen = ConsoleScreen();
    ClearScreen(screen);
    HANDLE copy = nullptr;
    DuplicateHandle(GetCurrentProcess(), screen, GetCurrentProcess(), &copy, 0, FALSE,
                    DUPLICATE_SAME_ACCESS);
    const platform::File console = platform::File::Adopt(reinterpret_cast<std::intptr_t>(copy));
    platform::Process process = Start(program, args, options, console, console);
    ProcessResult result;
    result.exitCode = process.Wait();
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
    platform::File outRead, outWrite, errRead, errWrite;
    if (!platform::File::CreatePipe(outRead, outWrite) ||
        !platform::File::CreatePipe(errRead, errWrite)) {
        throw std::runtime_error("CreatePipe");
    }
    platform::Process process = Start(program, args, options, outWrite, errWrite);
    outWrite.Close();
    errWrite.Close();
    ProcessResult result;
    std::thread errors(Drain, std::ref(errRead), std::ref(result.errors));
    Drain(outRead, result.output);
    errors.join();
    result.exitCode = process.Wait();
    return result;
}

namespace {

// The event is for the program: this one goes on.
BOOL WINAPI LetCtrlCPass(DWORD event) {
    return event == CTRL_C_EVENT;
}

}  // namespace

// The program shares this one's console, made once: a Ctrl+C event reaches
// every program on a console, and Wine delivers it only to programs with one.
void RunningProgram::PrepareToInterrupt() {
    static const bool prepared = [] {
        FreeConsole();
        return AllocConsole() && SetConsoleCtrlHandler(LetCtrlCPass, TRUE);
    }();
    if (!prepared) throw std::runtime_error("no console to share");
}

void RunningProgram::Interrupt() {
    if (!GenerateConsoleCtrlEvent(CTRL_C_EVENT, 0)) {
        throw std::runtime_error("cannot send a Ctrl+C event");
    }
}

void RunningProgram::Kill() {
    const HANDLE process =
        OpenProcess(PROCESS_TERMINATE, FALSE, static_cast<DWORD>(m_process->id()));
    if (!process) return;
    TerminateProcess(process, 1);
    CloseHandle(process);
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
