#include "app/win/about_dlg.h"

const std::vector<MessageEntry<CAboutDlg>>& CAboutDlg::Messages() {
    static const std::vector<MessageEntry<CAboutDlg>> table = {
        OnMessage(WM_INITDIALOG, &CAboutDlg::OnInitDialog),
        OnCommand(IDOK, &CAboutDlg::OnCloseCommand),
        OnCommand(IDCANCEL, &CAboutDlg::OnCloseCommand),
    };
    return table;
}

LRESULT CAboutDlg::OnInitDialog(WPARAM, LPARAM) {
    InitSecondaryDialog(m_hWnd, IDI_VELLUM);
    return TRUE;
}

LRESULT CAboutDlg::OnCloseCommand(WPARAM wParam, LPARAM) {
    EndDialog(LOWORD(wParam));
    return 0;
}
