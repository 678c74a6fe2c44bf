// The pack run: the listed files paired into skins, each skin packed by
// quill.exe and wrapped into a .kolo, the log and the progress bar following
// the jobs. The run holds the dialog's thread until it ends.
#include <windows.h>

#include <commctrl.h>
#include <shlwapi.h>

#include "pipeline/skin_words.h"
#include "pipeline/verdict.h"
#include "platform/files.h"
#include "platform/wide.h"
#include "vellum/main_dlg.h"

namespace vellum {

LRESULT CMainDlg::OnGenerate(WPARAM, LPARAM) {
    // The pane keeps showing the previous run's text until the first job.
    m_strOutputLog.clear();
    std::list<pipeline::InputFile> files;
    for (const std::u16string& path : m_listFiles)
        files.push_back(pipeline::InputFile::LookAt(path));
    const pipeline::Pairing pairing = pipeline::PairSkins(files, m_mapSkinJobs);
    EnableRunButtons(false);
    if (!PathFileExistsW(m_settings.strOutputDir.c_str()) && BrowseOutputFolder() == 0) {
        EnableRunButtons(true);
        return -1;
    }

    SendMessageW(m_wndProgress, PBM_SETPOS, 0, 0);
    const std::size_t jobs = pairing.skins.size();
    for (std::size_t done = 0; done < jobs; ++done) {
        PackSkin(platform::FromWide(m_settings.strOutputDir), pairing, done);
        SetWindowTextW(m_wndOutput, platform::Wide(m_strOutputLog).c_str());
        const LRESULT lines = SendMessageW(m_wndOutput, EM_GETLINECOUNT, 0, 0);
        SendMessageW(m_wndOutput, EM_LINESCROLL, 0, lines);
        // However many jobs, the bar follows them all the way.
        SendMessageW(m_wndProgress, PBM_SETPOS, static_cast<WPARAM>(100 * (done + 1) / jobs), 0);
    }
    SendMessageW(m_wndProgress, PBM_SETPOS, 100, 0);
    EnableRunButtons(true);
    return 0;
}

bool CMainDlg::PackSkin(const std::u16string& outputDir, const pipeline::Pairing& pairing,
                        std::size_t index) {
    pipeline::PackSettings settings;
    settings.createKolo = m_settings.bCreateKolo != 0;
    settings.mbmFolder = platform::TempFolder();
    settings.checks.check = true;
    const pipeline::SkinVerdict verdict =
        pipeline::JudgeSkin(m_packer, settings, outputDir, pairing, index);
    // The log's own lines as they always were, each fault on a line after them.
    m_strOutputLog += pipeline::VerdictText(verdict, {u"\r\n", false, false}).Plain();
    const pipeline::Fault* failure = verdict.Failure();
    if (!failure) return verdict.Made();
    switch (failure->kind) {
        case pipeline::Fault::Kind::kPackerFailed:
        case pipeline::Fault::Kind::kKoloFailed:
        case pipeline::Fault::Kind::kKoloTooLarge:
        case pipeline::Fault::Kind::kKoloNotAsWritten:
        case pipeline::Fault::Kind::kInputIgnored:
            return true;  // the packer ran
        default:
            return false;
    }
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
