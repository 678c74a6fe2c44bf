// The settings dialog: the output folder (chosen, never typed) and the
// always-prompt flag, applied to the main dialog and saved on OK.
#pragma once

#include <string>
#include <vector>

#include "vellum/frame/dialog.h"
#include "vellum/res/resource.h"

namespace vellum {

class CMainDlg;

class CSettingsDlg : public frame::CDialogImpl<CSettingsDlg> {
  public:
    enum { IDD = IDD_SETTINGS };

    explicit CSettingsDlg(CMainDlg& owner) : m_owner(owner) {}

  private:
    friend class frame::CDialogImpl<CSettingsDlg>;

    static const std::vector<frame::MessageEntry<CSettingsDlg>>& Messages();

    LRESULT OnInitDialog(WPARAM wParam, LPARAM lParam);
    LRESULT OnOK(WPARAM wParam, LPARAM lParam);
    LRESULT OnCancel(WPARAM wParam, LPARAM lParam);
    LRESULT OnBrowse(WPARAM wParam, LPARAM lParam);

    CMainDlg& m_owner;
    // The folder shown; it reaches the owner only on OK.
    std::wstring m_strOutputDir;
    HWND m_wndCreateKolo = nullptr;
    HWND m_wndOutputDirPrompt = nullptr;
};

}  // namespace vellum
