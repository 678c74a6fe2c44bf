// What the GUI tests share: the process set up as vellum.exe sets itself up,
// a scripted shell in place of the system's dialogs, the main dialog opened
// fresh for each test, and ways to look at windows and at vellum.ini.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <initializer_list>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "vellum/frame/shell.h"
#include "vellum/main_dlg.h"

namespace vellum {

// Answers as a user would, from a script, and remembers what was asked.
struct ScriptedShell : frame::CShell {
    struct Call {
        HWND owner;
        std::wstring text;  // message box text
        std::wstring caption;
        UINT flags;  // message box type, or popup menu flags
        HMENU menu;
        POINT point;
    };
    std::optional<std::wstring> chosenFolder;  // none: the user cancels the chooser
    std::vector<HWND> chooserOwners;
    // The files chosen in the open-file dialog, all in one folder; none: the
    // user cancels it. The dialogs asked for, as they were described.
    std::optional<std::vector<std::wstring>> chosenFiles;
    std::vector<OPENFILENAMEW> openDialogs;
    std::vector<Call> messageBoxes, popups;
    std::vector<std::vector<std::wstring>> started;  // each program with its arguments

    bool ChooseFolder(HWND owner, std::wstring& folder) override {
        chooserOwners.push_back(owner);
        if (chosenFolder) folder = *chosenFolder;
        return chosenFolder.has_value();
    }
    // Fills the selection as the system's dialog does: one file as its full
    // path, several as the folder and then the names, each ending in a NUL.
    bool ChooseFiles(OPENFILENAMEW& dialog) override;
    int ShowMessageBox(HWND owner, const std::wstring& text, const std::wstring& caption,
                       UINT type) override {
        messageBoxes.push_back({owner, text, caption, type, nullptr, {}});
        return IDOK;
    }
    void TrackPopupMenu(HMENU menu, UINT flags, POINT point, HWND owner) override {
        popups.push_back({owner, L"", L"", flags, menu, point});
    }
    void StartProgram(const std::wstring& program, const std::vector<std::wstring>& args) override {
        started.push_back({program});
        started.back().insert(started.back().end(), args.begin(), args.end());
    }
};

std::wstring WindowText(HWND window);
// A control's rectangle in its parent's client coordinates.
RECT RectInParent(HWND control);
// Takes a waiting WM_QUIT and gives its exit code.
std::optional<int> TakeQuitMessage();

// Presses `key` and lets it go, with the keys in `held` held down around it,
// as the keyboard does: the key messages enter this thread's input queue, so
// the message loop and the dialog manager see them as they see a user's.
void PressKey(WORD key, std::initializer_list<WORD> held = {});

// vellum.ini beside the test program, read as UTF-16 when it starts with a
// byte-order mark, as ASCII otherwise ("" when missing); written as UTF-16.
std::wstring ReadIni();
void WriteIni(const std::wstring& text);

// Sends `command` to `owner`; once the modal window it opens is up, calls
// `action` with it, which must close it. Returns whether one opened.
bool WhileModal(HWND owner, UINT command, const std::function<void(HWND)>& action);

// Each test starts without vellum.ini. Open creates the main dialog with the
// scripted shell (it registers with this thread's message loop) and shows it.
class MainDialogTest : public testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;

    void Open();
    // Destroys the dialog as the program's end does and drops the quit message.
    void Close();
    HWND Item(int id) const { return GetDlgItem(m_hWnd, id); }
    // Runs this thread's message loop, as the program runs it, until it has
    // called the idle handlers once. When the loop ends before that, the exit
    // code of the quit message that ended it.
    std::optional<int> Idle();

    ScriptedShell m_shell;
    std::unique_ptr<CMainDlg> m_dialog;
    HWND m_hWnd = nullptr;
};

}  // namespace vellum
