// The status line on a Windows console, drawn with the console's own
// functions: on the cursor's row, over what stood there, cut to the
// screen's width, and erased with the cursor at the row's start.
#include <windows.h>

#include <gtest/gtest.h>

#include "platform/terminal.h"
#include "platform/wide.h"

namespace {

TEST(StatusLine, IsDrawnOverItsRowAndErased) {
    const HANDLE saved = GetStdHandle(STD_ERROR_HANDLE);
    FreeConsole();
    const HANDLE screen = AllocConsole() ? CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE,
                                                       FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                                       OPEN_EXISTING, 0, nullptr)
                                         : INVALID_HANDLE_VALUE;
    if (screen == INVALID_HANDLE_VALUE) GTEST_SKIP() << "no console here (Wine needs a display)";
    SetStdHandle(STD_ERROR_HANDLE, screen);
    DWORD done = 0;
    WriteConsoleW(screen, L"a line before\n", 14, &done, nullptr);
    CONSOLE_SCREEN_BUFFER_INFO info;
    GetConsoleScreenBufferInfo(screen, &info);
    const SHORT row = info.dwCursorPosition.Y;
    const auto width = static_cast<std::size_t>(info.dwSize.X);
    // What a row shows, without the blanks at its end; and where the cursor is.
    const auto shown = [&](SHORT at) {
        std::wstring cells(width, L' ');
        ReadConsoleOutputCharacterW(screen, cells.data(), static_cast<DWORD>(width), {0, at},
                                    &done);
        cells.erase(cells.find_last_not_of(L' ') + 1);
        return platform::FromWide(cells);
    };
    const auto cursor = [&] {
        GetConsoleScreenBufferInfo(screen, &info);
        return info.dwCursorPosition;
    };
    const std::u16string tooLong(width + 10, u'x');
    const struct {
        platform::Message line;
        std::u16string shown;
    } cases[] = {
        {u"progress 1/2 [night] 50%", u"progress 1/2 [night] 50%"},
        {u"progress 2/2", u"progress 2/2"},  // nothing left of the longer line
        {u"[" + platform::Message::Name(u"e\x1b[2J") + u"]", u"[e\\x1B[2J]"},
        {tooLong, tooLong.substr(0, width - 1)},  // never into the last column
        {{}, u""},                                // erased
    };
    for (const auto& c : cases) {
        platform::ShowStatusLine(platform::StandardStream::kError, c.line);
        EXPECT_EQ(shown(row), c.shown);
        EXPECT_EQ(cursor().Y, row);
    }
    EXPECT_EQ(cursor().X, 0);
    EXPECT_EQ(shown(row - 1), u"a line before");
    SetStdHandle(STD_ERROR_HANDLE, saved);
    CloseHandle(screen);
    FreeConsole();
}

}  // namespace
