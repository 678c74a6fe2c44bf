// The small actions around packing: about box, help, the output folder in
// the file manager, and the file list's context menu.
#include "vellum/main_dlg.h"

#include <commctrl.h>

#include "vellum/about_dlg.h"
#include "vellum/frame/app_module.h"

namespace vellum {

namespace {

// String resource `id`, or an empty string when there is none.
std::wstring LoadResourceString(UINT id) {
    const wchar_t* text = nullptr;
    // With no buffer, LoadStringW points at the resource itself and returns
    // its length, so a text of any length comes back whole.
    const int length =
        LoadStringW(frame::g_module.Instance(), id, reinterpret_cast<LPWSTR>(&text), 0);
    return length > 0 ? std::wstring(text, static_cast<size_t>(length)) : std::wstring();
}

}  // namespace

LRESULT CMainDlg::OnAbout(WPARAM, LPARAM) {
    CAboutDlg dialog;
    dialog.DoModal(GetActiveWindow());
    return 0;
}

LRESULT CMainDlg::OnHelp(WPARAM, LPARAM) {
    m_shell.ShowMessageBox(m_hWnd, LoadResourceString(IDS_HELP_TEXT), L"帮助",
                           MB_OK | MB_ICONQUESTION);
    return 0;
}

LRESULT CMainDlg::OnOpenOutputDir(WPARAM, LPARAM) {
    // The folder is passed as it is: an empty or missing one is the file
    // manager's affair.
    m_shell.StartProgram(L"Explorer.exe", {m_settings.strOutputDir});
    return 0;
}

LRESULT CMainDlg::OnListRightClick(WPARAM, LPARAM) {
    const HMENU popup = GetSubMenu(GetMenu(m_hWnd), kEditMenuPosition);
    POINT cursor{};
    GetCursorPos(&cursor);

    // The row under the pointer joins the selection, so "删除" acts on it too.
    LVHITTESTINFO hit{};
    hit.pt = cursor;
    ScreenToClient(m_wndList, &hit.pt);
    const int row =
        static_cast<int>(SendMessageW(m_wndList, LVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)));
    if (row != -1) {
        LVITEMW state{};
        state.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
        state.state = LVIS_SELECTED | LVIS_FOCUSED;
        SendMessageW(m_wndList, LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(&state));
        SendMessageW(m_wndList, LVM_ENSUREVISIBLE, row, FALSE);
    }
    m_shell.TrackPopupMenu(popup, TPM_LEFTBUTTON, cursor, m_hWnd);
    return 0;
}

}  // namespace vellum
