// The settings: vellum.ini as loaded and saved by the main dialog, and the
// settings dialog that edits them.
#include <windows.h>

#include "app/res/resource.h"
#include "tests/gui/gui_support.h"

namespace gui_testing {
namespace {

bool IsChecked(HWND dialog, int id) {
    return IsDlgButtonChecked(dialog, id) == BST_CHECKED;
}

void Click(HWND dialog, int id) {
    SendMessageW(GetDlgItem(dialog, id), BM_CLICK, 0, 0);
}

std::wstring Ini(const std::wstring& folder, int createKolo, int prompt) {
    return L"[Configure]\r\nOutputDirectory=" + folder + L"\r\nCreateKOLO=" +
           std::to_wstring(createKolo) + L"\r\nOutputDirPrompt=" + std::to_wstring(prompt) +
           L"\r\n";
}

using SettingsTest = MainDialogTest;

TEST_F(SettingsTest, FirstStartShowsTheDefaultsAndTheFirstSaveWritesThemInOrder) {
    Open();
    EXPECT_TRUE(WhileModal(m_hWnd, ID_EDIT_SETTINGS, [](HWND settings) {
        EXPECT_EQ(WindowText(settings), L"设置");
        EXPECT_EQ(WindowText(GetDlgItem(settings, IDC_OUTPUT_DIR)), L"");
        EXPECT_TRUE(IsChecked(settings, IDC_OUTPUT_DIR_PROMPT));
        EXPECT_TRUE(IsChecked(settings, IDC_CREATE_KOLO));
        EXPECT_FALSE(IsWindowVisible(GetDlgItem(settings, IDC_CREATE_KOLO)));
        Click(settings, IDCANCEL);
    }));
    EXPECT_EQ(ReadIni(), L"");
    SendMessageW(m_hWnd, WM_CLOSE, 0, 0);
    EXPECT_EQ(ReadIni(), Ini(L"", 1, 1));
}

TEST_F(SettingsTest, StoredValuesAreShownAndCreateKoloIsAlwaysOne) {
    WriteIni(Ini(L"D:\\out", 0, 0));
    Open();
    EXPECT_TRUE(WhileModal(m_hWnd, ID_EDIT_SETTINGS, [](HWND settings) {
        EXPECT_EQ(WindowText(GetDlgItem(settings, IDC_OUTPUT_DIR)), L"D:\\out");
        EXPECT_FALSE(IsChecked(settings, IDC_OUTPUT_DIR_PROMPT));
        EXPECT_TRUE(IsChecked(settings, IDC_CREATE_KOLO));
        Click(settings, IDCANCEL);
    }));
    SendMessageW(m_hWnd, WM_CLOSE, 0, 0);
    EXPECT_EQ(ReadIni(), Ini(L"D:\\out", 1, 0));
}

TEST_F(SettingsTest, AStoredFolderIsCutTo259Characters) {
    const std::wstring folder = L"C:\\" + std::wstring(300, L'x');
    WriteIni(L"[Configure]\r\nOutputDirectory=" + folder + L"\r\n");
    Open();
    SendMessageW(m_hWnd, WM_CLOSE, 0, 0);
    EXPECT_EQ(ReadIni(), Ini(folder.substr(0, 259), 1, 1));
}

TEST_F(SettingsTest, OkSavesAtOnceWithTheFolderUnchanged) {
    WriteIni(Ini(L"D:\\out", 1, 1));
    Open();
    EXPECT_TRUE(WhileModal(m_hWnd, ID_EDIT_SETTINGS, [](HWND settings) {
        Click(settings, IDC_OUTPUT_DIR_PROMPT);
        Click(settings, IDOK);
    }));
    EXPECT_EQ(ReadIni(), Ini(L"D:\\out", 1, 0));
}

TEST_F(SettingsTest, ABrowsedFolderIsKeptOnlyOnOk) {
    WriteIni(Ini(L"D:\\out", 1, 1));
    Open();
    m_shell.chosenFolder = L"E:\\新";
    EXPECT_TRUE(WhileModal(m_hWnd, ID_EDIT_SETTINGS, [this](HWND settings) {
        Click(settings, IDC_BROWSE);
        EXPECT_EQ(m_shell.chooserOwners, std::vector<HWND>{settings});
        EXPECT_EQ(WindowText(GetDlgItem(settings, IDC_OUTPUT_DIR)), L"E:\\新");
        Click(settings, IDCANCEL);
    }));
    EXPECT_TRUE(WhileModal(m_hWnd, ID_EDIT_SETTINGS, [](HWND settings) {
        EXPECT_EQ(WindowText(GetDlgItem(settings, IDC_OUTPUT_DIR)), L"D:\\out");
        Click(settings, IDC_BROWSE);
        Click(settings, IDOK);
    }));
    EXPECT_EQ(ReadIni(), Ini(L"E:\\新", 1, 1));
}

TEST_F(SettingsTest, ACancelledChooserKeepsTheShownFolder) {
    WriteIni(Ini(L"D:\\out", 1, 1));
    Open();
    EXPECT_TRUE(WhileModal(m_hWnd, ID_EDIT_SETTINGS, [](HWND settings) {
        Click(settings, IDC_BROWSE);
        EXPECT_EQ(WindowText(GetDlgItem(settings, IDC_OUTPUT_DIR)), L"D:\\out");
        Click(settings, IDOK);
    }));
    EXPECT_EQ(m_shell.chooserOwners.size(), 1u);
    EXPECT_EQ(ReadIni(), Ini(L"D:\\out", 1, 1));
}

TEST_F(SettingsTest, BrowseOutputFolderStoresAChoiceAndKeepsTheFolderOtherwise) {
    WriteIni(Ini(L"D:\\out", 1, 1));
    Open();
    EXPECT_EQ(m_dialog->BrowseOutputFolder(), 0);
    m_shell.chosenFolder = L"F:\\";
    EXPECT_EQ(m_dialog->BrowseOutputFolder(), 1);
    EXPECT_EQ(m_shell.chooserOwners, (std::vector<HWND>{m_hWnd, m_hWnd}));
    EXPECT_EQ(ReadIni(), Ini(L"D:\\out", 1, 1));  // saved only when the window closes
    SendMessageW(m_hWnd, WM_CLOSE, 0, 0);
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
    EXPECT_TRUE(WhileModal(m_hWnd, ID_EDIT_SETTINGS, [&](HWND settings) {
        EXPECT_EQ(WindowText(GetDlgItem(settings, IDC_OUTPUT_DIR)), folder);
        Click(settings, IDCANCEL);
    }));
}

}  // namespace
}  // namespace gui_testing
