// The settings: vellum.ini as the main dialog loads and saves it, and the
// settings dialog that edits them.
#include <windows.h>

#include "tests/vellum/gui_support.h"
#include "vellum/res/resource.h"

namespace vellum {
namespace {

std::wstring Ini(const std::wstring& folder, int createKolo, int prompt) {
    return L"[Configure]\r\nOutputDirectory=" + folder + L"\r\nCreateKOLO=" +
           std::to_wstring(createKolo) + L"\r\nOutputDirPrompt=" + std::to_wstring(prompt) +
           L"\r\n";
}

void Click(HWND dialog, int id) {
    SendMessageW(GetDlgItem(dialog, id), BM_CLICK, 0, 0);
}

// Opens the settings dialog, checks what it shows, then runs `then` in it.
void ExpectSettingsShow(HWND main, const std::wstring& folder, bool prompt,
                        const std::function<void(HWND)>& then) {
    EXPECT_TRUE(WhileModal(main, ID_EDIT_SETTINGS, [&](HWND settings) {
        EXPECT_EQ(WindowText(GetDlgItem(settings, IDC_OUTPUT_DIR)), folder);
        EXPECT_EQ(IsDlgButtonChecked(settings, IDC_OUTPUT_DIR_PROMPT) == BST_CHECKED, prompt);
        // Packages are always wrapped, and the box that says so is never shown.
        EXPECT_EQ(IsDlgButtonChecked(settings, IDC_CREATE_KOLO), BST_CHECKED);
        EXPECT_FALSE(IsWindowVisible(GetDlgItem(settings, IDC_CREATE_KOLO)));
        then(settings);
    }));
}

using SettingsTest = MainDialogTest;

TEST_F(SettingsTest, FirstStartShowsTheDefaultsAndTheFirstSaveWritesThemInOrder) {
    Open();
    ExpectSettingsShow(m_hWnd, L"", true, [](HWND settings) { Click(settings, IDCANCEL); });
    EXPECT_EQ(ReadIni(), L"");
    SendMessageW(m_hWnd, WM_CLOSE, 0, 0);
    EXPECT_EQ(ReadIni(), Ini(L"", 1, 1));
}

TEST_F(SettingsTest, StoredValuesAreLoadedWithCreateKoloAlwaysOne) {
    WriteIni(Ini(L"D:\\out", 0, 0));
    Open();
    ExpectSettingsShow(m_hWnd, L"D:\\out", false, [](HWND settings) { Click(settings, IDCANCEL); });
    Close();
    EXPECT_EQ(ReadIni(), Ini(L"D:\\out", 1, 0));

    const std::wstring longFolder = L"C:\\" + std::wstring(300, L'x');
    WriteIni(L"[Configure]\r\nOutputDirectory=" + longFolder + L"\r\n");
    Open();
    Close();
    EXPECT_EQ(ReadIni(), Ini(longFolder.substr(0, 259), 1, 1));
}

TEST_F(SettingsTest, OkSavesAtOnceAndOnlyOkKeepsABrowsedFolder) {
    WriteIni(Ini(L"D:\\out", 1, 1));
    Open();
    ExpectSettingsShow(m_hWnd, L"D:\\out", true, [&](HWND settings) {
        Click(settings, IDC_BROWSE);  // cancelled: the folder shown stays
        EXPECT_EQ(WindowText(GetDlgItem(settings, IDC_OUTPUT_DIR)), L"D:\\out");
        EXPECT_EQ(m_shell.chooserOwners, std::vector<HWND>{settings});
        m_shell.chosenFolder = L"E:\\新";
        Click(settings, IDC_BROWSE);
        EXPECT_EQ(WindowText(GetDlgItem(settings, IDC_OUTPUT_DIR)), L"E:\\新");
        Click(settings, IDCANCEL);
    });
    ExpectSettingsShow(m_hWnd, L"D:\\out", true, [](HWND settings) {
        Click(settings, IDC_OUTPUT_DIR_PROMPT);
        Click(settings, IDOK);
    });
    EXPECT_EQ(ReadIni(), Ini(L"D:\\out", 1, 0));
    ExpectSettingsShow(m_hWnd, L"D:\\out", false, [](HWND settings) {
        Click(settings, IDC_BROWSE);
        Click(settings, IDOK);
    });
    EXPECT_EQ(ReadIni(), Ini(L"E:\\新", 1, 0));
}

TEST_F(SettingsTest, BrowseOutputFolderStoresOnlyAChoice) {
    WriteIni(Ini(L"D:\\out", 1, 1));
    Open();
    EXPECT_EQ(m_dialog->BrowseOutputFolder(), 0);
    m_shell.chosenFolder = L"F:\\";
    EXPECT_EQ(m_dialog->BrowseOutputFolder(), 1);
    EXPECT_EQ(m_shell.chooserOwners, (std::vector<HWND>{m_hWnd, m_hWnd}));
    EXPECT_EQ(ReadIni(), Ini(L"D:\\out", 1, 1));  // saved when the window closes
    Close();
    EXPECT_EQ(ReadIni(), Ini(L"F:\\", 1, 1));
}

// Folder names need not fit the ANSI code page: the file vellum creates holds
// them in UTF-16.
TEST_F(SettingsTest, AnyFolderNameSurvivesTheFile) {
    const std::wstring folder = L"C:\\输出 한글 ё";
    Open();
    m_shell.chosenFolder = folder;
    m_dialog->BrowseOutputFolder();
    Close();
    Open();
    ExpectSettingsShow(m_hWnd, folder, true, [](HWND settings) { Click(settings, IDCANCEL); });
}

}  // namespace
}  // namespace vellum
