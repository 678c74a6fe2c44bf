#include <windows.h>

#include "platform/process.h"
#include "platform/scoped_handle_win32.h"
#include "platform/wide.h"

namespace platform {
namespace {

// One argument as the C runtime's start-up splits command lines: in double
// quotes where it holds a blank or a quote (or nothing), backslashes doubled
// before a quote.
std::wstring Quoted(const std::wstring& arg) {
    if (!arg.empty() && arg.find_first_of(L" \t\"") == std::wstring::npos) return arg;
    std::wstring quoted = L"\"";
    std::size_t backslashes = 0;
    for (wchar_t c : arg) {
        if (c == L'\\') {
            ++backslashes;
        } else {
            if (c == L'"') quoted.append(backslashes + 1, L'\\');
            backslashes = 0;
        }
        quoted += c;
    }
    quoted.append(backslashes, L'\\');
    return quoted + L"\"";
}

// This program's environment with the given variables set or replaced, as a
// block of UTF-16 strings.
std::wstring EnvironmentBlock(
    const std::vector<std::pair<std::u16string, std::u16string>>& changes) {
    std::wstring block;
    wchar_t* strings = GetEnvironmentStringsW();
    for (const wchar_t* p = strings; *p; p += wcslen(p) + 1) {
        bool replaced = false;
        for (const auto& [name, value] : changes) {
            const std::wstring prefix = Wide(name) + L"=";
            replaced |= _wcsnicmp(p, prefix.c_str(), prefix.size()) == 0;
        }
        if (!replaced) block += std::wstring(p) + L'\0';
    }
    FreeEnvironmentStringsW(strings);
    for (const auto& [name, value] : changes) block += Wide(name + u"=" + value) + L'\0';
    return block + L'\0';
}

// An inheritable copy of a handle, for the program to get; none for none.
ScopedHandle InheritableCopy(HANDLE handle) {
    ScopedHandle copy;
    if (handle && handle != INVALID_HANDLE_VALUE) {
        DuplicateHandle(GetCurrentProcess(), handle, GetCurrentProcess(), copy.out(), 0, TRUE,
                        DUPLICATE_SAME_ACCESS);
    }
    return copy;
}

HANDLE HandleOf(const File* file, DWORD standard) {
    return file ? reinterpret_cast<HANDLE>(file->handle()) : GetStdHandle(standard);
}

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

std::optional<Process> Process::Start(std::u16string_view program,
                                      const std::vector<std::u16string>& args,
                                      const StartOptions& options) {
    // The command line stays UTF-16, so any path in it reaches the program
    // unchanged. A bare program name is looked for beside this program
    // first, as CreateProcessW itself looks when it is given no path.
    std::wstring commandLine = Quoted(Wide(program));
    for (const std::u16string& arg : args) commandLine += L" " + Quoted(Wide(arg));

    const ScopedHandle input = InheritableCopy(GetStdHandle(STD_INPUT_HANDLE));
    const ScopedHandle output = InheritableCopy(HandleOf(options.output, STD_OUTPUT_HANDLE));
    const ScopedHandle errors = InheritableCopy(HandleOf(options.errors, STD_ERROR_HANDLE));
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES | STARTF_USESHOWWINDOW;
    startup.wShowWindow = options.hidden ? SW_HIDE : SW_SHOW;
    startup.hStdInput = input.get();
    startup.hStdOutput = output.get();
    startup.hStdError = errors.get();
    std::wstring environment = EnvironmentBlock(options.environment);
    const std::wstring folder = Wide(options.folder);
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, TRUE,
                        CREATE_UNICODE_ENVIRONMENT, environment.data(),
                        folder.empty() ? nullptr : folder.c_str(), &startup, &process)) {
        return std::nullopt;
    }
    CloseHandle(process.hThread);
    return Process(static_cast<std::intptr_t>(process.dwProcessId),
                   reinterpret_cast<std::intptr_t>(process.hProcess));
}

Process::~Process() {
    if (m_handle) CloseHandle(reinterpret_cast<HANDLE>(m_handle));
}

int Process::Wait() {
    const HANDLE handle = reinterpret_cast<HANDLE>(m_handle);
    WaitForSingleObject(handle, INFINITE);
    DWORD status = 0;
    GetExitCodeProcess(handle, &status);
    return static_cast<int>(status);
}

}  // namespace platform
