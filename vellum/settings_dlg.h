// The settings dialog: the output folder (chosen, never typed) and the
// always-prompt flag, applied to the settings it edits and saved on OK.
#pragma once

#include <string>
#include <vector>

#include "vellum/frame/dialog.h"
#include "vellum/frame/shell.h"
#include "vellum/res/resource.h"
#include "vellum/settings.h"

namespace vellum {

class CSettingsDlg : public frame::CDialogImpl<CSettingsDlg> {
  public:
    enum { IDD = IDD_SETTINGS };

    // `settings` and `shell` must outlive the dialog.
    CSettingsDlg(Settings& settings, frame::CShell& shell) : m_settings(settings), m_shell(shell) {}

  private:
    friend class frame::CDialogImpl<CSettingsDlg>;

    static const std::vector<frame::MessageEntry<CSettingsDlg>>& Messages();

    LRESULT OnInitDialog(WPARAM wParam, LPARAM lParam);
    LRESULT OnOK(WPARAM wParam, LPARAM lParam);
    LRESULT OnCancel(WPARAM wParam, LPARAM lParam);
    LRESULT OnBrowse(WPARAM wParam, LPARAM lParam);

    Settings& m_settings;
    frame::CShell& m_shell;
    // The folder shown; it reaches the settings only on OK.
    std::wstring m_strOutputDir;
    HWND m_wndCreateKolo = nullptr;
    HWND m_wndOutputDirPrompt = nullptr;
};

}  // namespace vellum
