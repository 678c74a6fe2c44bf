#include <windows.h>

#include <string>

#include "platform/terminal.h"
#include "platform/text.h"

namespace platform {
namespace {

// Consoles refuse very large writes on some systems: text goes in pieces of
// at most this many UTF-16 units.
constexpr std::size_t kConsoleChunk = 8192;

HANDLE Handle(StandardStream stream) {
    return GetStdHandle(stream == StandardStream::kOutput ? STD_OUTPUT_HANDLE : STD_ERROR_HANDLE);
}

bool IsConsole(HANDLE handle) {
    DWORD mode;
    return handle != nullptr && handle != INVALID_HANDLE_VALUE && GetConsoleMode(handle, &mode);
}

bool WriteToConsole(HANDLE console, std::u16string_view text) {
    while (!text.empty()) {
        std::size_t count = text.size() < kConsoleChunk ? text.size() : kConsoleChunk;
        // A surrogate pair is never cut in two.
        if (count < text.size() && text[count - 1] >= 0xD800 && text[count - 1] <= 0xDBFF) --count;
        DWORD written = 0;
        if (!WriteConsoleW(console, text.data(), static_cast<DWORD>(count), &written, nullptr) ||
            written == 0) {
            return false;
        }
        text.remove_prefix(written);
    }
    return true;
}

bool WriteToFile(HANDLE file, std::string_view bytes) {
    const char* p = bytes.data();
    std::size_t left = bytes.size();
    while (left > 0) {
        DWORD written = 0;
        if (!WriteFile(file, p, static_cast<DWORD>(left), &written, nullptr) || written == 0) {
            return false;
        }
        p += written;
        left -= written;
    }
    return true;
}

}  // namespace

bool IsTerminal(StandardStream stream) {
    return IsConsole(Handle(stream));
}

bool WriteText(StandardStream stream, const Message& text) {
    const HANDLE handle = Handle(stream);
    if (handle == nullptr || handle == INVALID_HANDLE_VALUE) return false;
    if (IsConsole(handle)) return WriteToConsole(handle, text.ForTerminal());
    return WriteToFile(handle, Utf16ToUtf8(text.Plain()));
}

void ShowStatusLine(StandardStream stream, const Message& line) {
    const HANDLE handle = Handle(stream);
    CONSOLE_SCREEN_BUFFER_INFO screen;
    if (!IsConsole(handle) || !GetConsoleScreenBufferInfo(handle, &screen)) return;
    const COORD start{0, screen.dwCursorPosition.Y};
    DWORD filled = 0;
    FillConsoleOutputCharacterW(handle, L' ', static_cast<DWORD>(screen.dwSize.X), start, &filled);
    SetConsoleCursorPosition(handle, start);
    // The last column stays free: a character there moves the cursor to the
    // next row.
    const std::size_t width = static_cast<std::size_t>(screen.dwSize.X);
    const std::u16string text = line.ForTerminal();
    WriteToConsole(handle, FitToColumns(text, width > 0 ? width - 1 : 0));
}

bool WriteUtf8(StandardStream stream, std::string_view text) {
    const HANDLE handle = Handle(stream);
    if (handle == nullptr || handle == INVALID_HANDLE_VALUE) return false;
    if (IsConsole(handle)) return WriteToConsole(handle, Utf8ToUtf16(text));
    return WriteToFile(handle, text);
}

}  // namespace platform
