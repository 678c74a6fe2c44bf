// The pack run: the listed files paired into skins, each skin packed by
// quill.exe and wrapped into a .kolo, the log and the progress bar following
// the jobs. The run holds the dialog's thread until it ends.
#include <windows.h>

#include <commctrl.h>
#include <shlwapi.h>

#include "pipeline/skin_words.h"
#include "platform/files.h"
#include "platform/wide.h"
#include "vellum/main_dlg.h"

namespace vellum {

LRESULT CMainDlg::OnGenerate(WPARAM, LPARAM) {
    // The pane keeps showing the previous run's text until the first job.
    m_strOutputLog.clear();
    pipeline::CollectSkinJobs(m_listFiles, m_mapSkinJobs);
    EnableRunButtons(false);
    if (!PathFileExistsW(m_settings.strOutputDir.c_str()) && BrowseOutputFolder() == 0) {
        EnableRunButtons(true);
        return -1;
    }

    const int step = m_mapSkinJobs.size() > 0 ? 100 / static_cast<int>(m_mapSkinJobs.size()) : 0;
    SendMessageW(m_wndProgress, PBM_SETPOS, 0, 0);
    m_mapSkinJobs.ForEach([&](const pipeline::SkinJob& job) {
        PackSkin(platform::FromWide(m_settings.strOutputDir), job.strName, job.strFirstFile,
                 job.strSecondFile);
        SetWindowTextW(m_wndOutput, platform::Wide(m_strOutputLog).c_str());
        const LRESULT lines = SendMessageW(m_wndOutput, EM_GETLINECOUNT, 0, 0);
        SendMessageW(m_wndOutput, EM_LINESCROLL, 0, lines);
        SendMessageW(m_wndProgress, PBM_DELTAPOS, static_cast<WPARAM>(step), 0);
    });
    SendMessageW(m_wndProgress, PBM_SETPOS, 100, 0);
    EnableRunButtons(true);
    return 0;
}

bool CMainDlg::PackSkin(const std::u16string& outputDir, const std::u16string& name,
                        const std::u16string& firstFile, const std::u16string& secondFile) {
    pipeline::PackSettings settings;
    settings.createKolo = m_settings.bCreateKolo != 0;
    settings.mbmFolder = platform::TempFolder();
    const pipeline::SkinResult result =
        pipeline::PackSkin(m_packer, settings, outputDir, name, firstFile, secondFile);
    m_strOutputLog += result.packerText + pipeline::OutcomeText(result, name, u"\r\n").Plain();
    switch (result.outcome) {
        case pipeline::SkinOutcome::kMissingFiles:
        case pipeline::SkinOutcome::kInputIsOutput:
        case pipeline::SkinOutcome::kDeviceName:
        case pipeline::SkinOutcome::kMbmFailed:
        case pipeline::SkinOutcome::kPackerNotStarted:
        case pipeline::SkinOutcome::kInterrupted:
        case pipeline::SkinOutcome::kHeldBack:
            return false;
        case pipeline::SkinOutcome::kPackerFailed:
        case pipeline::SkinOutcome::kKoloFailed:
        case pipeline::SkinOutcome::kKoloTooLarge:
        case pipeline::SkinOutcome::kKoloNotAsWritten:
        case pipeline::SkinOutcome::kPacked:
        case pipeline::SkinOutcome::kKoloWritten:
            return true;
    }
    return false;
}

void CMainDlg::EnableRunButtons(bool enable) {
    EnableWindow(GetDlgItem(m_hWnd, IDC_ADD_FILES), enable);
    EnableWindow(GetDlgItem(m_hWnd, IDC_GENERATE), enable);
    // Disabled while it had the focus, "生成" left the focus nowhere, and
    // Tab with it: the focus goes back to it as the dialog manager sets it.
    if (enable) {
        SendMessageW(m_hWnd, WM_NEXTDLGCTL,
                     reinterpret_cast<WPARAM>(GetDlgItem(m_hWnd, IDC_GENERATE)), TRUE);
    }
}

}  // namespace vellum
