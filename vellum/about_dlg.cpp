#include "vellum/about_dlg.h"

namespace vellum {

const std::vector<frame::MessageEntry<CAboutDlg>>& CAboutDlg::Messages() {
    static const std::vector<frame::MessageEntry<CAboutDlg>> table = {
        frame::OnMessage(WM_INITDIALOG, &CAboutDlg::OnInitDialog),
        frame::OnCommand(IDOK, &CAboutDlg::OnCloseCommand),
        frame::OnCommand(IDCANCEL, &CAboutDlg::OnCloseCommand),
    };
    return table;
}

LRESULT CAboutDlg::OnInitDialog(WPARAM, LPARAM) {
    frame::InitSecondaryDialog(m_hWnd, IDI_VELLUM);
    return TRUE;
}

LRESULT CAboutDlg::OnCloseCommand(WPARAM wParam, LPARAM) {
    EndDialog(LOWORD(wParam));
    return 0;
}

}  // namespace vellum
