// The status line on a Windows console, drawn with the console's own
// functions: on the cursor's row, over what stood there, cut to the
// screen's width, and erased with the cursor at the row's start.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "platform/message.h"
#include "platform/terminal.h"
#include "platform/wide.h"

namespace {

// Standard error on a console of this program's own while it lives.
class OwnConsole {
  public:
    OwnConsole() : m_savedErrors(GetStdHandle(STD_ERROR_HANDLE)) {
        FreeConsole();
        if (!AllocConsole()) return;
        m_screen =
            CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE,
                        FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
        SetStdHandle(STD_ERROR_HANDLE, m_screen);
    }
    ~OwnConsole() {
        SetStdHandle(STD_ERROR_HANDLE, m_savedErrors);
        if (m_screen != INVALID_HANDLE_VALUE) CloseHandle(m_screen);
        FreeConsole();
    }
    OwnConsole(const OwnConsole&) = delete;
    OwnConsole& operator=(const OwnConsole&) = delete;

    bool IsOpen() const { return m_screen != INVALID_HANDLE_VALUE; }
    CONSOLE_SCREEN_BUFFER_INFO Screen() const {
        CONSOLE_SCREEN_BUFFER_INFO screen{};
        GetConsoleScreenBufferInfo(m_screen, &screen);
        return screen;
    }
    // What a row shows, without the blanks at its end.
    std::u16string Row(SHORT row) const {
        std::wstring cells(static_cast<std::size_t>(Screen().dwSize.X), L' ');
        DWORD read = 0;
        ReadConsoleOutputCharacterW(m_screen, cells.data(), static_cast<DWORD>(cells.size()),
                                    {0, row}, &read);
        cells.resize(read);
        cells.erase(cells.find_last_not_of(L' ') + 1);
        return platform::FromWide(cells);
    }
    void Write(const wchar_t* text) const {
        DWORD written = 0;
        WriteConsoleW(m_screen, text, static_cast<DWORD>(wcslen(text)), &written, nullptr);
    }

  private:
    const HANDLE m_savedErrors;
    HANDLE m_screen = INVALID_HANDLE_VALUE;
};

TEST(StatusLine, IsDrawnOverItsRowAndErased) {
    OwnConsole console;
    if (!console.IsOpen()) GTEST_SKIP() << "no console here (Wine needs a display)";
    console.Write(L"a line before\n");
    const SHORT row = console.Screen().dwCursorPosition.Y;
    const std::size_t width = static_cast<std::size_t>(console.Screen().dwSize.X);
    const std::u16string tooLong(width + 10, u'x');
    const struct {
        platform::Message line;
        std::u16string shown;
    } cases[] = {
        {u"progress 1/2 [night] 50%", u"progress 1/2 [night] 50%"},
        {u"progress 2/2", u"progress 2/2"},  // nothing left of the longer line
        {u"[" + platform::Message::Name(u"e\x1b[2J") + u"]", u"[e\\x1B[2J]"},
        {tooLong, tooLong.substr(0, width - 1)},  // never into the last column
    };
    for (const auto& c : cases) {
        platform::ShowStatusLine(platform::StandardStream::kError, c.line);
        EXPECT_EQ(console.Row(row), c.shown);
        EXPECT_EQ(console.Screen().dwCursorPosition.Y, row);
    }
    platform::ShowStatusLine(platform::StandardStream::kError, {});
    EXPECT_EQ(console.Row(row), u"");
    EXPECT_EQ(console.Screen().dwCursorPosition.X, 0);
    EXPECT_EQ(console.Screen().dwCursorPosition.Y, row);
    EXPECT_EQ(console.Row(row - 1), u"a line before");
}

}  // namespace
