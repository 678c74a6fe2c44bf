// vellum's main window: the file list, the buttons of a pack run, the output
// pane and the progress bar, as one resizable modeless dialog.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "app/res/resource.h"
#include "app/win/dialog.h"
#include "app/win/dialog_resize.h"
#include "app/win/message_loop.h"
#include "app/win/shell.h"

class CMainDlg : public CDialogImpl<CMainDlg>, public CMessageFilter, public CIdleHandler {
  public:
    enum { IDD = IDD_MAIN };

    // `shell` shows everything modal and starts other programs; it must
    // outlive the dialog.
    explicit CMainDlg(CShell& shell);

    bool PreTranslateMessage(MSG* msg) override;
    void OnIdle() override;

    // The folder chooser for the pack run: on a choice the folder becomes the
    // output folder (saved with the other settings) and the result is 1; else 0.
    int BrowseOutputFolder();

  private:
    friend class CDialogImpl<CMainDlg>;
    friend class CSettingsDlg;

    static const std::vector<MessageEntry<CMainDlg>>& Messages();

    // The menu bar's "编辑" popup, which is also the file list's context menu.
    static constexpr int kEditMenuPosition = 1;

    // The path of vellum.ini: beside the executable, wherever it runs from.
    static std::wstring SettingsPath();
    static std::wstring GetModuleFolder();
    void LoadSettings();
    void SaveSettings();

    LRESULT OnInitDialog(WPARAM wParam, LPARAM lParam);
    LRESULT OnClose(WPARAM wParam, LPARAM lParam);
    LRESULT OnDestroy(WPARAM wParam, LPARAM lParam);
    LRESULT OnSize(WPARAM wParam, LPARAM lParam);
    LRESULT OnGetMinMaxInfo(WPARAM wParam, LPARAM lParam);
    LRESULT OnDropFiles(WPARAM wParam, LPARAM lParam);
    LRESULT OnAddFiles(WPARAM wParam, LPARAM lParam);
    LRESULT OnGenerate(WPARAM wParam, LPARAM lParam);
    LRESULT OnDeleteFiles(WPARAM wParam, LPARAM lParam);
    LRESULT OnClearList(WPARAM wParam, LPARAM lParam);
    LRESULT OnSettings(WPARAM wParam, LPARAM lParam);
    LRESULT OnAbout(WPARAM wParam, LPARAM lParam);
    LRESULT OnHelp(WPARAM wParam, LPARAM lParam);
    LRESULT OnOpenOutputDir(WPARAM wParam, LPARAM lParam);
    LRESULT OnListRightClick(WPARAM wParam, LPARAM lParam);

    // The Generate button's enable state as last decided at idle time, and
    // whether that decision still waits to be applied to the button.
    struct UpdateState {
        bool bEnabled = true;
        bool bPending = false;
    };

    UpdateState m_generateState;
    CDialogResize m_resize;
    std::wstring m_strOutputDir;
    std::int32_t m_bCreateKolo = 1;
    std::int32_t m_bOutputDirPrompt = 1;
    HWND m_wndList = nullptr;
    HWND m_wndOutput = nullptr;
    HWND m_wndProgress = nullptr;
    CShell& m_shell;
};
