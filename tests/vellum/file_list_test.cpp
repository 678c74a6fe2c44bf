// The skin file list from its real dialog: dropped files (a real drop
// handle), the open-file dialog's selection, deleting and clearing.
#include <windows.h>

#include <commctrl.h>

#include <filesystem>

#include "platform/wide.h"
#include "tests/support/temp_dir.h"
#include "tests/vellum/drop_files.h"
#include "tests/vellum/gui_support.h"
#include "vellum/res/resource.h"

namespace vellum {
namespace {

class FileListTest : public MainDialogTest {
  protected:
    // A file of `size` bytes in the test's folder; its full path.
    std::wstring File(const std::wstring& name, size_t size = 10) {
        const auto path = m_dir.path() / name;
        std::filesystem::create_directories(path.parent_path());
        testing_support::WriteBytes(path, std::string(size, 'x'));
        return path.wstring();
    }
    void Drop(const std::vector<std::wstring>& paths) {
        SendMessageW(m_hWnd, WM_DROPFILES, reinterpret_cast<WPARAM>(MakeDrop(paths)), 0);
    }
    // Each row as "path|size".
    std::vector<std::wstring> Rows() {
        const HWND list = Item(IDC_FILE_LIST);
        std::vector<std::wstring> rows;
        const int count = static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
        for (int row = 0; row < count; ++row) {
            std::wstring cells;
            for (int column = 0; column < 2; ++column) {
                wchar_t text[1024] = {};
                LVITEMW item{};
                item.iSubItem = column;
                item.pszText = text;
                item.cchTextMax = 1024;
                SendMessageW(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(row),
                             reinterpret_cast<LPARAM>(&item));
                cells += (column ? L"|" : L"") + std::wstring(text);
            }
            rows.push_back(cells);
        }
        return rows;
    }
    std::vector<std::wstring> Files() {
        std::vector<std::wstring> files;
        for (const auto& path : m_dialog->Files()) files.push_back(platform::Wide(path));
        return files;
    }
    void Select(std::initializer_list<int> rows) {
        for (int row : rows) {
            LVITEMW item{};
            item.stateMask = item.state = LVIS_SELECTED;
            SendMessageW(Item(IDC_FILE_LIST), LVM_SETITEMSTATE, static_cast<WPARAM>(row),
                         reinterpret_cast<LPARAM>(&item));
        }
    }

    testing_support::TempDir m_dir;
};

TEST_F(FileListTest, DroppedSkinFilesBecomeOneRowEach) {
    const auto blueXml = File(L"blue.xml", 10), bluePxa = File(L"blue.pxa", 2048),
               txt = File(L"notes.txt");
    const auto upper = File(L"upper\\BLUE.XML", 3), empty = File(L"green.xml", 0);
    std::filesystem::create_directory(m_dir.path() / "folder.xml");
    // Read-only files are measured too.
    std::filesystem::permissions(bluePxa, std::filesystem::perms::owner_write,
                                 std::filesystem::perm_options::remove);
    Open();
    Drop({blueXml, bluePxa, txt, (m_dir.path() / "folder.xml").wstring(), upper, empty});
    EXPECT_EQ(Rows(), (std::vector<std::wstring>{blueXml + L"|10 字节", bluePxa + L"|2048 字节",
                                                 upper + L"|3 字节", empty + L"|0 字节"}));
    EXPECT_EQ(Files(), (std::vector<std::wstring>{blueXml, bluePxa, upper, empty}));

    // A path that has a row gets no second one, nor a second entry; the same
    // file by a path spelled in other letters does (paths compare exactly).
    const std::wstring otherCase = (m_dir.path() / "BLUE.xml").wstring();
    Drop({blueXml, otherCase});
    m_shell.chosenFiles = std::vector<std::wstring>{bluePxa};
    SendMessageW(m_hWnd, WM_COMMAND, IDC_ADD_FILES, 0);
    EXPECT_EQ(Files(), (std::vector<std::wstring>{blueXml, bluePxa, upper, empty, otherCase}));
    EXPECT_EQ(Rows().size(), 5u);
}

TEST_F(FileListTest, TheOpenFileDialogsSelectionIsTakenInOrder) {
    const auto a = File(L"skins\\a.xml"), b = File(L"skins\\b.pxa", 5),
               c = File(L"skins\\c.mbm", 7);
    Open();
    m_shell.chosenFiles = std::vector<std::wstring>{c, a, b};
    SendMessageW(m_hWnd, WM_COMMAND, IDC_ADD_FILES, 0);
    EXPECT_EQ(Files(), (std::vector<std::wstring>{c, a, b}));

    ASSERT_EQ(m_shell.openDialogs.size(), 1u);
    const OPENFILENAMEW& asked = m_shell.openDialogs[0];
    EXPECT_EQ(asked.lStructSize, sizeof(OPENFILENAMEW));
    EXPECT_EQ(asked.hwndOwner, m_hWnd);
    // One label and pattern pair, then the empty string that ends the list.
    const std::wstring filter(L"Zafra皮肤文件(*.mbm;*.pxa;*.xml)\0*.mbm;*.pxa;*.xml\0", 48);
    EXPECT_EQ(std::wstring(asked.lpstrFilter, filter.size()), filter);
    EXPECT_EQ(asked.nFilterIndex, 0u);
    EXPECT_EQ(asked.nMaxFile, 20800u);
    EXPECT_EQ(asked.Flags, 0x80A08u);
    EXPECT_EQ(asked.lpstrFileTitle, nullptr);
    EXPECT_EQ(asked.lpstrInitialDir, nullptr);
    EXPECT_EQ(asked.lpstrTitle, nullptr);
    EXPECT_EQ(asked.lpstrDefExt, nullptr);

    // One file: its full path. A typed name of a missing file: no row, no
    // entry. Cancelled: nothing.
    const auto one = File(L"one.xml");
    for (const auto& chosen :
         {std::vector<std::wstring>{one}, {(m_dir.path() / "typed.xml").wstring()}}) {
        m_shell.chosenFiles = chosen;
        SendMessageW(m_hWnd, WM_COMMAND, IDC_ADD_FILES, 0);
    }
    m_shell.chosenFiles.reset();
    SendMessageW(m_hWnd, WM_COMMAND, MAKEWPARAM(IDC_ADD_FILES, 1), 0);
    EXPECT_EQ(Files(), (std::vector<std::wstring>{c, a, b, one}));
    EXPECT_EQ(Rows().size(), 4u);
}

TEST_F(FileListTest, DeleteRemovesTheSelectedRowsAndTheirFiles) {
    std::vector<std::wstring> paths;
    for (const wchar_t* name : {L"1.xml", L"2.xml", L"3.xml", L"4.xml", L"5.xml"})
        paths.push_back(File(name));
    Open();
    Drop(paths);
    SendMessageW(m_hWnd, WM_COMMAND, IDC_DELETE_FILES, 0);  // nothing selected
    EXPECT_EQ(Files(), paths);

    Select({1, 3});
    SendMessageW(m_hWnd, WM_COMMAND, IDC_DELETE_FILES, 0);
    const std::vector<std::wstring> left = {paths[0], paths[2], paths[4]};
    EXPECT_EQ(Files(), left);
    EXPECT_EQ(Rows(), (std::vector<std::wstring>{left[0] + L"|10 字节", left[1] + L"|10 字节",
                                                 left[2] + L"|10 字节"}));

    Select({0});
    SendMessageW(m_hWnd, WM_COMMAND, ID_EDIT_DELETE, 0);  // the menu item does the same
    EXPECT_EQ(Files(), (std::vector<std::wstring>{paths[2], paths[4]}));
}

TEST_F(FileListTest, GenerateFollowsTheListAtTheFirstIdleMoment) {
    const auto xml = File(L"a.xml"), pxa = File(L"a.pxa");
    Open();
    const HWND generate = Item(IDC_GENERATE);
    // The shell posts its drop; "清空列表" and "添加文件..." are pressed by keys.
    PostMessageW(m_hWnd, WM_DROPFILES, reinterpret_cast<WPARAM>(MakeDrop({xml, pxa})), 0);
    Idle();
    EXPECT_TRUE(IsWindowEnabled(generate));

    SendMessageW(m_hWnd, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(Item(IDC_CLEAR_LIST)), TRUE);
    PressKey(VK_SPACE);
    Idle();
    EXPECT_TRUE(Rows().empty());
    EXPECT_TRUE(Files().empty());
    EXPECT_EQ(m_dialog->SkinJobs().size(), 0u);
    EXPECT_FALSE(IsWindowEnabled(generate));

    m_shell.chosenFiles = std::vector<std::wstring>{xml};
    SendMessageW(m_hWnd, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(Item(IDC_ADD_FILES)), TRUE);
    PressKey(VK_SPACE);
    Idle();
    EXPECT_EQ(Files(), std::vector<std::wstring>{xml});
    EXPECT_TRUE(IsWindowEnabled(generate));
}

}  // namespace
}  // namespace vellum
