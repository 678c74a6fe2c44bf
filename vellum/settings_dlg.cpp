#include "vellum/settings_dlg.h"

namespace vellum {

namespace {

bool IsChecked(HWND checkBox) {
    return SendMessageW(checkBox, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void SetChecked(HWND checkBox, bool checked) {
    SendMessageW(checkBox, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

}  // namespace

const std::vector<frame::MessageEntry<CSettingsDlg>>& CSettingsDlg::Messages() {
    static const std::vector<frame::MessageEntry<CSettingsDlg>> table = {
        frame::OnMessage(WM_INITDIALOG, &CSettingsDlg::OnInitDialog),
        frame::OnCommand(IDOK, &CSettingsDlg::OnOK),
        frame::OnCommand(IDCANCEL, &CSettingsDlg::OnCancel),
        frame::OnCommand(IDC_BROWSE, BN_CLICKED, &CSettingsDlg::OnBrowse),
    };
    return table;
}

LRESULT CSettingsDlg::OnInitDialog(WPARAM, LPARAM) {
    frame::InitSecondaryDialog(m_hWnd, IDI_VELLUM);
    m_wndCreateKolo = GetDlgItem(m_hWnd, IDC_CREATE_KOLO);
    m_wndOutputDirPrompt = GetDlgItem(m_hWnd, IDC_OUTPUT_DIR_PROMPT);
    m_strOutputDir = m_settings.strOutputDir;
    SetDlgItemTextW(m_hWnd, IDC_OUTPUT_DIR, m_strOutputDir.c_str());
    SetChecked(m_wndCreateKolo, m_settings.bCreateKolo != 0);
    SetChecked(m_wndOutputDirPrompt, m_settings.bOutputDirPrompt != 0);
    return TRUE;
}

LRESULT CSettingsDlg::OnOK(WPARAM, LPARAM) {
    // The edit box is read-only and never read back: the folder is the one
    // last chosen, or the one the dialog opened with.
    m_settings.bCreateKolo = IsChecked(m_wndCreateKolo) ? 1 : 0;
    m_settings.bOutputDirPrompt = IsChecked(m_wndOutputDirPrompt) ? 1 : 0;
    m_settings.strOutputDir = m_strOutputDir;
    m_settings.Save();
    EndDialog(IDOK);
    return 0;
}

LRESULT CSettingsDlg::OnCancel(WPARAM, LPARAM) {
    EndDialog(IDCANCEL);
    return 0;
}

LRESULT CSettingsDlg::OnBrowse(WPARAM, LPARAM) {
    m_shell.ChooseFolder(m_hWnd, m_strOutputDir);
    SetDlgItemTextW(m_hWnd, IDC_OUTPUT_DIR, m_strOutputDir.c_str());
    return 0;
}

}  // namespace vellum
