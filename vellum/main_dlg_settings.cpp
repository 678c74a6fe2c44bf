// The settings of the main dialog and their file, vellum.ini.
#include "vellum/main_dlg.h"

#include <shlwapi.h>

#include "platform/scoped_handle_win32.h"
#include "vellum/settings_dlg.h"

namespace vellum {

namespace {

constexpr wchar_t kSection[] = L"Configure";
constexpr wchar_t kOutputDirectoryKey[] = L"OutputDirectory";
constexpr wchar_t kCreateKoloKey[] = L"CreateKOLO";
constexpr wchar_t kOutputDirPromptKey[] = L"OutputDirPrompt";

// The private-profile functions write a file they create in the ANSI code
// page, which cannot hold every folder name; a file that starts as UTF-16
// with its byte-order mark is kept in UTF-16. An existing file is left in
// whatever encoding it has.
void CreateUtf16FileIfMissing(const std::wstring& path) {
    const platform::ScopedHandle file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr,
                                                  CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return;
    static const unsigned char kByteOrderMark[] = {0xFF, 0xFE};
    DWORD written = 0;
    WriteFile(file.get(), kByteOrderMark, sizeof kByteOrderMark, &written, nullptr);
}

}  // namespace

std::wstring CMainDlg::GetModuleFolder() {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    PathRemoveFileSpecW(path);
    PathAddBackslashW(path);
    return path;
}

std::wstring CMainDlg::SettingsPath() {
    const std::wstring path = GetModuleFolder() + L"vellum.ini";
    OutputDebugStringW(path.c_str());
    return path;
}

void CMainDlg::LoadSettings() {
    const std::wstring path = SettingsPath();
    wchar_t folder[MAX_PATH] = {};  // a longer stored value is cut to MAX_PATH - 1
    GetPrivateProfileStringW(kSection, kOutputDirectoryKey, L"", folder, MAX_PATH, path.c_str());
    m_strOutputDir = folder;
    m_bOutputDirPrompt = static_cast<std::int32_t>(
        GetPrivateProfileIntW(kSection, kOutputDirPromptKey, 1, path.c_str()));
    // Packages are always wrapped: a stored CreateKOLO of 0 does not switch
    // that off, and the next save writes 1.
    m_bCreateKolo = 1;
}

void CMainDlg::SaveSettings() {
    const std::wstring path = SettingsPath();
    CreateUtf16FileIfMissing(path);
    // Failed writes go unreported, as nothing could be done about them.
    WritePrivateProfileStringW(kSection, kOutputDirectoryKey, m_strOutputDir.c_str(), path.c_str());
    WritePrivateProfileStringW(kSection, kCreateKoloKey, std::to_wstring(m_bCreateKolo).c_str(),
                               path.c_str());
    WritePrivateProfileStringW(kSection, kOutputDirPromptKey,
                               std::to_wstring(m_bOutputDirPrompt).c_str(), path.c_str());
}

int CMainDlg::BrowseOutputFolder() {
    return m_shell.ChooseFolder(m_hWnd, m_strOutputDir) ? 1 : 0;
}

LRESULT CMainDlg::OnSettings(WPARAM, LPARAM) {
    CSettingsDlg dialog(*this);
    dialog.DoModal(GetActiveWindow());
    return 0;
}

}  // namespace vellum
