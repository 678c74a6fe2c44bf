// Resizable dialogs: each anchored control keeps its distance to the edges
// of the client area its flags name, a size grip sits in the bottom-right
// corner, and the dialog cannot be made smaller than it was at first.
#pragma once

#include <windows.h>

#include <vector>

namespace vellum::frame {

// How a control follows a change of the client size. A moved edge moves by
// the whole change: DLSZ_SIZE_X moves the right edge, DLSZ_MOVE_X both the
// left and the right edge; likewise for Y with the bottom and top edges.
enum : UINT {
    DLSZ_SIZE_X = 0x01,
    DLSZ_SIZE_Y = 0x02,
    DLSZ_MOVE_X = 0x04,
    DLSZ_MOVE_Y = 0x08,
    DLSZ_REPAINT = 0x10,  // invalidate the control each time it is placed
};

// The id of the size grip in the bottom-right corner.
constexpr int kSizeGripId = 0xE801;

struct ResizeRule {
    int id;
    UINT flags;
};

class CDialogResize {
  public:
    // Records the layout of `dialog` as it is now, at the end of its
    // WM_INITDIALOG: the client size, the window size as the minimum tracking
    // size, and each control's rectangle; adds the size grip.
    void Init(HWND dialog, const std::vector<ResizeRule>& rules);
    // WM_SIZE: shows or hides the grip and places every control.
    void OnSize(WPARAM type, int width, int height);
    // WM_GETMINMAXINFO.
    void OnGetMinMaxInfo(MINMAXINFO* info) const;

  private:
    struct Anchored {
        int id;
        UINT flags;
        RECT rect;  // in client coordinates, as recorded by Init
    };

    void AddSizeGrip();
    void Layout(int width, int height) const;

    HWND m_dialog = nullptr;
    std::vector<Anchored> m_controls;
    SIZE m_clientSize{};
    POINT m_minTrackSize{-1, -1};
    bool m_bGrip = false;
};

}  // namespace vellum::frame
