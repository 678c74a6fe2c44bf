#include "vellum/main_dlg.h"

#include <commctrl.h>
#include <shellapi.h>

#include "vellum/frame/app_module.h"

namespace vellum {

namespace {

// How each control follows the window: the list takes all extra room, the
// line, the progress bar and the output pane the extra width, and everything
// below the list moves down with the bottom edge.
const std::vector<frame::ResizeRule> kResizeRules = {
    {IDC_FILE_LIST, frame::DLSZ_SIZE_X | frame::DLSZ_SIZE_Y},
    {IDC_SEPARATOR, frame::DLSZ_SIZE_X | frame::DLSZ_MOVE_Y},
    {IDC_PROGRESS, frame::DLSZ_SIZE_X | frame::DLSZ_MOVE_Y},
    {IDC_OUTPUT_LABEL, frame::DLSZ_MOVE_Y},
    {IDC_OUTPUT, frame::DLSZ_SIZE_X | frame::DLSZ_SIZE_Y | frame::DLSZ_MOVE_Y},
    {IDC_ADD_FILES, frame::DLSZ_MOVE_Y},
    {IDC_GENERATE, frame::DLSZ_MOVE_Y},
    {IDC_OPEN_OUTPUT_DIR, frame::DLSZ_MOVE_Y},
    {IDC_DELETE_FILES, frame::DLSZ_MOVE_Y},
    {IDC_CLEAR_LIST, frame::DLSZ_MOVE_Y},
};

// The position of "删除" in the "编辑" popup.
constexpr UINT kDeleteItemPosition = 1;

// The output pane's tab stops, one every 50 average characters (in dialog
// template units, a quarter of one each): the packer's summary puts a tab
// between each path and its size, and the sizes line up behind the paths.
constexpr int kOutputTabStop = 200;

// A multi-line edit control asks the dialog manager for every key, Escape
// included, and answers Escape by posting WM_CLOSE to its dialog, which
// would close the window. The output pane declines Escape instead, so the
// dialog manager turns it into IDCANCEL, as for every other control, and
// nothing happens.
LRESULT CALLBACK OutputPaneProc(HWND pane, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                DWORD_PTR) {
    if (message == WM_NCDESTROY) RemoveWindowSubclass(pane, OutputPaneProc, id);
    LRESULT result = DefSubclassProc(pane, message, wParam, lParam);
    const auto* key = reinterpret_cast<const MSG*>(lParam);
    if (message == WM_GETDLGCODE && key && key->message == WM_KEYDOWN && key->wParam == VK_ESCAPE) {
        result &= ~DLGC_WANTALLKEYS;
    }
    return result;
}

}  // namespace

CMainDlg::CMainDlg(frame::CShell& shell) : m_shell(shell) {}

const std::vector<frame::MessageEntry<CMainDlg>>& CMainDlg::Messages() {
    // Commands match whatever their notification code, except the button that
    // opens the output folder, which acts only when clicked. IDOK and IDCANCEL
    // (Enter and Escape) are left alone, so neither closes the window.
    static const std::vector<frame::MessageEntry<CMainDlg>> table = {
        frame::OnMessage(WM_INITDIALOG, &CMainDlg::OnInitDialog),
        frame::OnMessage(WM_CLOSE, &CMainDlg::OnClose),
        frame::OnMessage(WM_DESTROY, &CMainDlg::OnDestroy),
        frame::OnMessage(WM_DROPFILES, &CMainDlg::OnDropFiles),
        frame::OnCommand(ID_APP_ABOUT, &CMainDlg::OnAbout),
        frame::OnCommand(ID_FILE_EXIT, &CMainDlg::OnClose),
        frame::OnCommand(IDC_ADD_FILES, &CMainDlg::OnAddFiles),
        frame::OnCommand(ID_EDIT_SETTINGS, &CMainDlg::OnSettings),
        frame::OnCommand(IDC_GENERATE, &CMainDlg::OnGenerate),
        frame::OnCommand(ID_EDIT_DELETE, &CMainDlg::OnDeleteFiles),
        frame::OnCommand(IDC_DELETE_FILES, &CMainDlg::OnDeleteFiles),
        frame::OnCommand(IDC_CLEAR_LIST, &CMainDlg::OnClearList),
        frame::OnCommand(ID_HELP, &CMainDlg::OnHelp),
        frame::OnCommand(IDC_OPEN_OUTPUT_DIR, BN_CLICKED, &CMainDlg::OnOpenOutputDir),
        frame::OnNotify(IDC_FILE_LIST, NM_RCLICK, &CMainDlg::OnListRightClick),
        frame::OnMessage(WM_SIZE, &CMainDlg::OnSize),
        frame::OnMessage(WM_GETMINMAXINFO, &CMainDlg::OnGetMinMaxInfo),
    };
    return table;
}

LRESULT CMainDlg::OnInitDialog(WPARAM, LPARAM) {
    DragAcceptFiles(m_hWnd, TRUE);
    frame::CenterWindow(m_hWnd);
    SendMessageW(
        m_hWnd, WM_SETICON, ICON_BIG,
        reinterpret_cast<LPARAM>(frame::LoadIconResource(IDI_VELLUM, SM_CXICON, SM_CYICON)));
    SendMessageW(
        m_hWnd, WM_SETICON, ICON_SMALL,
        reinterpret_cast<LPARAM>(frame::LoadIconResource(IDI_VELLUM, SM_CXSMICON, SM_CYSMICON)));

    if (frame::CMessageLoop* loop = frame::g_module.GetMessageLoop()) {
        loop->AddMessageFilter(this);
        loop->AddIdleHandler(this);
    }
    m_settings = Settings::Load();

    m_wndList = GetDlgItem(m_hWnd, IDC_FILE_LIST);
    SetWindowLongPtrW(m_wndList, GWL_STYLE,
                      (GetWindowLongPtrW(m_wndList, GWL_STYLE) & ~LVS_TYPEMASK) | LVS_REPORT);
    const struct {
        const wchar_t* title;
        int width;
    } columns[] = {{L"文件名", 500}, {L"文件大小", 200}};
    for (int i = 0; i < 2; ++i) {
        LVCOLUMNW column{};
        column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT;
        column.fmt = LVCFMT_LEFT;
        column.cx = columns[i].width;
        column.pszText = const_cast<wchar_t*>(columns[i].title);
        SendMessageW(m_wndList, LVM_INSERTCOLUMNW, i, reinterpret_cast<LPARAM>(&column));
    }
    SendMessageW(m_wndList, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, LVS_EX_FULLROWSELECT);

    m_wndOutput = GetDlgItem(m_hWnd, IDC_OUTPUT);
    SendMessageW(m_wndOutput, EM_SETTABSTOPS, 1, reinterpret_cast<LPARAM>(&kOutputTabStop));
    SetWindowSubclass(m_wndOutput, OutputPaneProc, 0, 0);
    m_wndProgress = GetDlgItem(m_hWnd, IDC_PROGRESS);
    SendMessageW(m_wndProgress, PBM_SETRANGE32, 0, 100);

    // The list starts empty, and so "生成" starts disabled.
    EnableWindow(GetDlgItem(m_hWnd, IDC_GENERATE), FALSE);
    m_resize.Init(m_hWnd, kResizeRules);
    return TRUE;  // the first tab stop, the output pane, takes the focus
}

LRESULT CMainDlg::OnClose(WPARAM, LPARAM) {
    // WM_DESTROY, and with it the saving of the settings, comes before the
    // quit message is posted.
    DestroyWindow(m_hWnd);
    PostQuitMessage(0);
    return 0;
}

LRESULT CMainDlg::OnDestroy(WPARAM, LPARAM) {
    if (frame::CMessageLoop* loop = frame::g_module.GetMessageLoop()) {
        loop->RemoveMessageFilter(this);
        loop->RemoveIdleHandler(this);
    }
    m_settings.Save();
    return 0;
}

bool CMainDlg::PreTranslateMessage(MSG* msg) {
    return IsDialogMessageW(m_hWnd, msg);
}

void CMainDlg::OnIdle() {
    // Both follow the list at once, at the idle moment that finds it changed.
    const bool hasRows = SendMessageW(m_wndList, LVM_GETITEMCOUNT, 0, 0) > 0;
    EnableWindow(GetDlgItem(m_hWnd, IDC_GENERATE), hasRows);
    if (HMENU edit = GetSubMenu(GetMenu(m_hWnd), kEditMenuPosition)) {
        EnableMenuItem(edit, kDeleteItemPosition,
                       MF_BYPOSITION | (hasRows ? MF_ENABLED : MF_GRAYED));
    }
}

LRESULT CMainDlg::OnSize(WPARAM wParam, LPARAM lParam) {
    m_resize.OnSize(wParam, LOWORD(lParam), HIWORD(lParam));
    return 0;
}

LRESULT CMainDlg::OnGetMinMaxInfo(WPARAM, LPARAM lParam) {
    m_resize.OnGetMinMaxInfo(reinterpret_cast<MINMAXINFO*>(lParam));
    return 0;
}

}  // namespace vellum
