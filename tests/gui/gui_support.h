// What the GUI tests share: the program set up as vellum.exe sets itself up,
// a scripted shell in place of the system's dialogs, the main dialog opened
// fresh for each test, and ways to look at windows and at vellum.ini.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/win/main_dlg.h"
#include "app/win/shell.h"

namespace gui_testing {

// Answers as a user would, from a script, and remembers what was asked.
class ScriptedShell : public CShell {
  public:
    struct MessageBoxCall {
        HWND owner;
        std::wstring text;
        std::wstring caption;
        UINT type;
    };
    struct PopupCall {
        HMENU menu;
        UINT flags;
        POINT point;
        HWND owner;
    };

    // The folder the next choosers pick; none: the user cancels.
    std::optional<std::wstring> chosenFolder;
    std::vector<HWND> chooserOwners;
    std::vector<MessageBoxCall> messageBoxes;
    std::vector<PopupCall> popups;
    std::vector<std::wstring> startedPrograms;

    bool ChooseFolder(HWND owner, std::wstring& folder) override;
    int ShowMessageBox(HWND owner, const std::wstring& text, const std::wstring& caption,
                       UINT type) override;
    void TrackPopupMenu(HMENU menu, UINT flags, POINT screenPoint, HWND owner) override;
    void StartProgram(const std::wstring& commandLine) override;
};

std::wstring WindowText(HWND window);
// A control's rectangle in its parent's client coordinates.
RECT RectInParent(HWND control);
// Handles the messages waiting for this thread, but not WM_QUIT.
void Pump();
// Takes a waiting WM_QUIT and gives its exit code.
std::optional<int> TakeQuitMessage();

// vellum.ini of the test program, beside it.
std::wstring IniPath();
// Its text, read as UTF-16 when it starts with a byte-order mark, as ASCII
// otherwise; empty if there is no file.
std::wstring ReadIni();
// Writes it as UTF-16 with a byte-order mark.
void WriteIni(const std::wstring& text);

// Sends `command` to `owner`; once the modal dialog or box it opens is up,
// calls `action` with it. The action must close it. Returns whether one
// opened.
bool WhileModal(HWND owner, UINT command, const std::function<void(HWND)>& action);

// Each test starts without vellum.ini; Open creates the main dialog with the
// scripted shell, registered with this thread's message loop, and shows it.
class MainDialogTest : public testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;

    HWND Open();
    // Destroys the dialog, as if the program ended, and forgets the quit message.
    void Close();
    HWND Item(int id) const { return GetDlgItem(m_hWnd, id); }
    // One idle moment of the message loop.
    void Idle();

    ScriptedShell m_shell;
    std::unique_ptr<CMainDlg> m_dialog;
    HWND m_hWnd = nullptr;
};

}  // namespace gui_testing
