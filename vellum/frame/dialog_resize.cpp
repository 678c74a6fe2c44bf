#include "vellum/frame/dialog_resize.h"

#include "vellum/frame/app_module.h"

namespace vellum::frame {

void CDialogResize::Init(HWND dialog, const std::vector<ResizeRule>& rules) {
    m_dialog = dialog;
    // Children clip the dialog's painting, so a resize does not flicker.
    SetWindowLongPtrW(dialog, GWL_STYLE, GetWindowLongPtrW(dialog, GWL_STYLE) | WS_CLIPCHILDREN);
    if (!(GetWindowLongPtrW(dialog, GWL_STYLE) & WS_CHILD)) {
        // A top-level dialog gets the dialog frame; without a small icon of
        // its own its caption then shows none rather than the default one.
        SetWindowLongPtrW(dialog, GWL_EXSTYLE,
                          GetWindowLongPtrW(dialog, GWL_EXSTYLE) | WS_EX_DLGMODALFRAME);
        if (!SendMessageW(dialog, WM_GETICON, ICON_SMALL, 0))
            SendMessageW(dialog, WM_SETICON, ICON_SMALL, 0);
    }

    RECT client{};
    GetClientRect(dialog, &client);
    m_clientSize = {client.right, client.bottom};
    AddSizeGrip();

    RECT window{};
    GetWindowRect(dialog, &window);
    m_minTrackSize = {window.right - window.left, window.bottom - window.top};

    for (const ResizeRule& rule : rules) {
        const HWND control = GetDlgItem(dialog, rule.id);
        if (!control) continue;
        RECT rect{};
        GetWindowRect(control, &rect);
        MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&rect), 2);
        m_controls.push_back({rule.id, rule.flags, rect});
    }
}

void CDialogResize::AddSizeGrip() {
    // Given the whole client area, the bottom-right-aligned size box takes its
    // standard size in the corner.
    const HWND grip = CreateWindowExW(0, L"SCROLLBAR", nullptr,
                                      WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | SBS_SIZEBOX |
                                          SBS_SIZEGRIP | SBS_SIZEBOXBOTTOMRIGHTALIGN,
                                      0, 0, m_clientSize.cx, m_clientSize.cy, m_dialog,
                                      reinterpret_cast<HMENU>(static_cast<INT_PTR>(kSizeGripId)),
                                      g_module.Instance(), nullptr);
    if (!grip) return;
    m_bGrip = true;
    RECT rect{};
    GetWindowRect(grip, &rect);
    MapWindowPoints(nullptr, m_dialog, reinterpret_cast<POINT*>(&rect), 2);
    m_controls.push_back({kSizeGripId, DLSZ_MOVE_X | DLSZ_MOVE_Y | DLSZ_REPAINT, rect});
}

void CDialogResize::OnSize(WPARAM type, int width, int height) {
    if (m_bGrip) {
        const HWND grip = GetDlgItem(m_dialog, kSizeGripId);
        if (type == SIZE_MAXIMIZED) ShowWindow(grip, SW_HIDE);
        if (type == SIZE_RESTORED) ShowWindow(grip, SW_SHOW);
    }
    if (type != SIZE_MINIMIZED) Layout(width, height);
}

void CDialogResize::Layout(int width, int height) const {
    // Drawing is held back while the controls move, then the whole dialog is
    // drawn once.
    const bool visible = IsWindowVisible(m_dialog);
    if (visible) SendMessageW(m_dialog, WM_SETREDRAW, FALSE, 0);
    const int dx = width - m_clientSize.cx;
    const int dy = height - m_clientSize.cy;
    for (const Anchored& anchored : m_controls) {
        // Always from the recorded rectangle, so no rounding piles up.
        RECT rect = anchored.rect;
        if (anchored.flags & (DLSZ_SIZE_X | DLSZ_MOVE_X)) rect.right += dx;
        if (anchored.flags & DLSZ_MOVE_X) rect.left += dx;
        if (anchored.flags & (DLSZ_SIZE_Y | DLSZ_MOVE_Y)) rect.bottom += dy;
        if (anchored.flags & DLSZ_MOVE_Y) rect.top += dy;
        const HWND control = GetDlgItem(m_dialog, anchored.id);
        if (anchored.flags & DLSZ_REPAINT) InvalidateRect(control, nullptr, TRUE);
        SetWindowPos(control, nullptr, rect.left, rect.top, rect.right - rect.left,
                     rect.bottom - rect.top, SWP_NOZORDER | SWP_NOACTIVATE);
    }
    if (visible) SendMessageW(m_dialog, WM_SETREDRAW, TRUE, 0);
    RedrawWindow(m_dialog, nullptr, nullptr,
                 RDW_ERASE | RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
}

void CDialogResize::OnGetMinMaxInfo(MINMAXINFO* info) const {
    if (m_minTrackSize.x != -1 && m_minTrackSize.y != -1) info->ptMinTrackSize = m_minTrackSize;
}

}  // namespace vellum::frame
