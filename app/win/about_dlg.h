// The about box: name, version and date of the program.
#pragma once

#include <vector>

#include "app/res/resource.h"
#include "app/win/dialog.h"

class CAboutDlg : public CDialogImpl<CAboutDlg> {
  public:
    enum { IDD = IDD_ABOUT };

  private:
    friend class CDialogImpl<CAboutDlg>;

    static const std::vector<MessageEntry<CAboutDlg>>& Messages();

    LRESULT OnInitDialog(WPARAM wParam, LPARAM lParam);
    LRESULT OnCloseCommand(WPARAM wParam, LPARAM lParam);
};
