// The main dialog's settings: the output folder chosen for a run, and the
// settings dialog.
#include "vellum/main_dlg.h"

#include "vellum/settings_dlg.h"

namespace vellum {

int CMainDlg::BrowseOutputFolder() {
    return m_shell.ChooseFolder(m_hWnd, m_settings.strOutputDir) ? 1 : 0;
}

LRESULT CMainDlg::OnSettings(WPARAM, LPARAM) {
    CSettingsDlg dialog(m_settings, m_shell);
    dialog.DoModal(GetActiveWindow());
    return 0;
}

}  // namespace vellum
