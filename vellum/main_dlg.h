// vellum's main window: the file list, the buttons of a pack run, the output
// pane and the progress bar, as one resizable modeless dialog.
#pragma once

#include <windows.h>

#include <cstdint>
#include <list>
#include <string>
#include <vector>

#include "pipeline/pairing.h"
#include "pipeline/process_runner.h"
#include "pipeline/skin_jobs.h"

#include "vellum/frame/dialog.h"
#include "vellum/frame/dialog_resize.h"
#include "vellum/frame/message_loop.h"
#include "vellum/frame/shell.h"
#include "vellum/res/resource.h"
#include "vellum/settings.h"

namespace vellum {

class CMainDlg : public frame::CDialogImpl<CMainDlg>,
                 public frame::CMessageFilter,
                 public frame::CIdleHandler {
  public:
    enum { IDD = IDD_MAIN };

    // `shell` shows everything modal and starts other programs; it must
    // outlive the dialog.
    explicit CMainDlg(frame::CShell& shell);

    bool PreTranslateMessage(MSG* msg) override;
    void OnIdle() override;

    // The folder chooser for the pack run: on a choice the folder becomes the
    // output folder (saved with the other settings) and the result is 1; else 0.
    int BrowseOutputFolder();

    // The full paths taken into the list, in arrival order: the files the
    // next pack run pairs into skins. Always the paths of the rows.
    const std::list<std::u16string>& Files() const { return m_listFiles; }
    // The skins of the last pack run.
    const pipeline::SkinJobMap& SkinJobs() const { return m_mapSkinJobs; }
    // Everything the last pack run reported, as the output pane shows it.
    const std::u16string& OutputLog() const { return m_strOutputLog; }

  private:
    friend class frame::CDialogImpl<CMainDlg>;

    static const std::vector<frame::MessageEntry<CMainDlg>>& Messages();

    // The menu bar's "编辑" popup, which is also the file list's context menu.
    static constexpr int kEditMenuPosition = 1;

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

    // What taking a file into the list did.
    enum class RowResult { kFailed, kExisting, kInserted };

    void AddSkinFile(const std::wstring& path);
    RowResult AddFileRow(const std::wstring& path);
    int FindFileRow(const std::wstring& path) const;
    // A row's path, however long.
    std::wstring RowPath(int row) const;

    // Packs skin `index` of the pairing and logs its verdict; true when the
    // packer ran, whatever the .kolo step did.
    bool PackSkin(const std::u16string& outputDir, const pipeline::Pairing& pairing,
                  std::size_t index);
    // The buttons a run disables while it lasts; enabling them gives the
    // focus back to "生成".
    void EnableRunButtons(bool enable);

    frame::CDialogResize m_resize;
    Settings m_settings;
    HWND m_wndList = nullptr;
    HWND m_wndOutput = nullptr;
    HWND m_wndProgress = nullptr;
    std::list<std::u16string> m_listFiles;
    pipeline::SkinJobMap m_mapSkinJobs;
    std::u16string m_strOutputLog;
    pipeline::QuillProcessPacker m_packer;
    frame::CShell& m_shell;
};

}  // namespace vellum
