#include "vellum/frame/dialog.h"

#include "vellum/frame/app_module.h"

namespace vellum::frame {

namespace {

// Messages whose result a dialog procedure returns itself; for all others it
// returns TRUE and leaves the result in DWLP_MSGRESULT.
bool ReturnsResultDirectly(UINT message) {
    switch (message) {
        case WM_INITDIALOG:
        case WM_CHARTOITEM:
        case WM_VKEYTOITEM:
        case WM_COMPAREITEM:
        case WM_QUERYDRAGICON:
        case WM_CTLCOLORMSGBOX:
        case WM_CTLCOLOREDIT:
        case WM_CTLCOLORLISTBOX:
        case WM_CTLCOLORBTN:
        case WM_CTLCOLORDLG:
        case WM_CTLCOLORSCROLLBAR:
        case WM_CTLCOLORSTATIC:
            return true;
        default:
            return false;
    }
}

}  // namespace

MessageSource SourceOf(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_COMMAND) return {LOWORD(wParam), HIWORD(wParam)};
    if (message == WM_NOTIFY) {
        const auto* header = reinterpret_cast<const NMHDR*>(lParam);
        return {static_cast<UINT>(header->idFrom), header->code};
    }
    return {kAnyId, kAnyCode};
}

CDialogBase::~CDialogBase() {
    if (m_hWnd) {
        SetWindowLongPtrW(m_hWnd, DWLP_USER, 0);
        DestroyWindow(m_hWnd);
    }
}

HWND CDialogBase::CreateFromTemplate(UINT id, HWND parent) {
    return CreateDialogParamW(g_module.Instance(), MAKEINTRESOURCEW(id), parent, DialogProc,
                              reinterpret_cast<LPARAM>(this));
}

INT_PTR CDialogBase::RunModal(UINT id, HWND parent) {
    return DialogBoxParamW(g_module.Instance(), MAKEINTRESOURCEW(id), parent, DialogProc,
                           reinterpret_cast<LPARAM>(this));
}

INT_PTR CALLBACK CDialogBase::DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    // The object arrives with WM_INITDIALOG; the few messages before it (such
    // as WM_SETFONT) get the default processing.
    if (message == WM_INITDIALOG) {
        SetWindowLongPtrW(window, DWLP_USER, lParam);
        reinterpret_cast<CDialogBase*>(lParam)->m_hWnd = window;
    }
    auto* self = reinterpret_cast<CDialogBase*>(GetWindowLongPtrW(window, DWLP_USER));
    if (!self) return FALSE;

    LRESULT result = 0;
    const bool handled = self->ProcessMessage(message, wParam, lParam, result);
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrW(window, DWLP_USER, 0);
        self->m_hWnd = nullptr;
    }
    if (!handled) return FALSE;
    if (ReturnsResultDirectly(message)) return static_cast<INT_PTR>(result);
    SetWindowLongPtrW(window, DWLP_MSGRESULT, result);
    return TRUE;
}

void CenterWindow(HWND window) {
    RECT workArea{};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &workArea, 0);
    RECT around = workArea;
    const HWND owner = GetWindow(window, GW_OWNER);
    if (owner && IsWindowVisible(owner) && !IsIconic(owner)) GetWindowRect(owner, &around);

    RECT rect{};
    GetWindowRect(window, &rect);
    const int width = rect.right - rect.left;
    const int height = rect.bottom - rect.top;
    int left = (around.left + around.right) / 2 - width / 2;
    int top = (around.top + around.bottom) / 2 - height / 2;
    if (left + width > workArea.right) left = workArea.right - width;
    if (left < workArea.left) left = workArea.left;
    if (top + height > workArea.bottom) top = workArea.bottom - height;
    if (top < workArea.top) top = workArea.top;
    SetWindowPos(window, nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

HICON LoadIconResource(UINT id, int widthMetric, int heightMetric) {
    // LR_SHARED: the system frees the icon, so a dialog opened many times
    // costs no handle each time.
    return static_cast<HICON>(LoadImageW(
        g_module.Instance(), MAKEINTRESOURCEW(id), IMAGE_ICON, GetSystemMetrics(widthMetric),
        GetSystemMetrics(heightMetric), LR_DEFAULTCOLOR | LR_SHARED));
}

void InitSecondaryDialog(HWND dialog, UINT iconId) {
    SendMessageW(dialog, WM_SETICON, ICON_SMALL,
                 reinterpret_cast<LPARAM>(LoadIconResource(iconId, SM_CXSMICON, SM_CYSMICON)));
    CenterWindow(dialog);
}

}  // namespace vellum::frame
