// The shell as the user sees it: the system's dialogs, menus and programs.
#pragma once

#include "vellum/frame/shell.h"

namespace vellum::frame {

class CWin32Shell : public CShell {
  public:
    bool ChooseFolder(HWND owner, std::wstring& folder) override;
    bool ChooseFiles(OPENFILENAMEW& dialog) override;
    int ShowMessageBox(HWND owner, const std::wstring& text, const std::wstring& caption,
                       UINT type) override;
    void TrackPopupMenu(HMENU menu, UINT flags, POINT screenPoint, HWND owner) override;
    void StartProgram(const std::wstring& program, const std::vector<std::wstring>& args) override;
};

}  // namespace vellum::frame
