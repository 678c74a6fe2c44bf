// Everything vellum's dialogs hand to the user or to the system and wait on:
// modal choosers and boxes, the context menu, other programs. The program
// uses CWin32Shell; tests script their own.
#pragma once

#include <windows.h>

#include <commdlg.h>

#include <string>
#include <vector>

namespace vellum::frame {

class CShell {
  public:
    virtual ~CShell() = default;

    // The folder chooser, owned by `owner`. On a choice, sets `folder` to the
    // chosen folder's path and returns true; cancelled, or an item without a
    // file-system path: false, `folder` unchanged.
    virtual bool ChooseFolder(HWND owner, std::wstring& folder) = 0;
    // The open-file dialog described by `dialog` (GetOpenFileNameW); fills its
    // selection buffer and returns true, or false when cancelled or failed.
    virtual bool ChooseFiles(OPENFILENAMEW& dialog) = 0;
    // A message box; returns the button pressed.
    virtual int ShowMessageBox(HWND owner, const std::wstring& text, const std::wstring& caption,
                               UINT type) = 0;
    // Shows `menu` at `screenPoint`; a chosen item arrives at `owner` as
    // WM_COMMAND.
    virtual void TrackPopupMenu(HMENU menu, UINT flags, POINT screenPoint, HWND owner) = 0;
    // Starts a program with the arguments, shown, without waiting for it;
    // a failure goes unnoticed.
    virtual void StartProgram(const std::wstring& program,
                              const std::vector<std::wstring>& args) = 0;
};

}  // namespace vellum::frame
