// The about box: name, version and date of the program.
#pragma once

#include <vector>

#include "vellum/frame/dialog.h"
#include "vellum/res/resource.h"

namespace vellum {

class CAboutDlg : public frame::CDialogImpl<CAboutDlg> {
  public:
    enum { IDD = IDD_ABOUT };

  private:
    friend class frame::CDialogImpl<CAboutDlg>;

    static const std::vector<frame::MessageEntry<CAboutDlg>>& Messages();

    LRESULT OnInitDialog(WPARAM wParam, LPARAM lParam);
    LRESULT OnCloseCommand(WPARAM wParam, LPARAM lParam);
};

}  // namespace vellum
