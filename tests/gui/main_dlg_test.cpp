// The main dialog from its real template: idle enabling, keys and closing,
// anchoring, and the actions around the file list.
#include <windows.h>

#include <commctrl.h>

#include "app/res/resource.h"
#include "app/win/app_module.h"
#include "app/win/dialog_resize.h"
#include "tests/gui/gui_support.h"

namespace gui_testing {
namespace {

void InsertRow(HWND list, const std::wstring& path) {
    LVITEMW item{};
    item.mask = LVIF_TEXT;
    item.iItem = static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
    item.pszText = const_cast<wchar_t*>(path.c_str());
    ASSERT_NE(SendMessageW(list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)), -1);
}

UINT RowState(HWND list, int row) {
    return static_cast<UINT>(
        SendMessageW(list, LVM_GETITEMSTATE, row, LVIS_SELECTED | LVIS_FOCUSED));
}

// The menu bar's "编辑" popup and the state of its item at `position`.
HMENU EditMenu(HWND dialog) {
    return GetSubMenu(GetMenu(dialog), 1);
}
bool IsGreyed(HMENU menu, UINT position) {
    return GetMenuState(menu, position, MF_BYPOSITION) & MF_GRAYED;
}

TEST_F(MainDialogTest, GenerateAndDeleteFollowTheRowCountAtIdleTime) {
    Open();
    const HWND generate = Item(IDC_GENERATE);
    const HMENU edit = EditMenu(m_hWnd);
    ASSERT_NE(edit, nullptr);
    EXPECT_EQ(WindowText(generate), L"生成");

    // A change of Generate decided at one idle moment is applied at the next.
    Idle();
    EXPECT_TRUE(IsGreyed(edit, 1));
    EXPECT_TRUE(IsWindowEnabled(generate));
    Idle();
    EXPECT_FALSE(IsWindowEnabled(generate));

    InsertRow(Item(IDC_FILE_LIST), L"C:\\skins\\night.xml");
    Idle();
    EXPECT_FALSE(IsGreyed(edit, 1));
    Idle();
    EXPECT_TRUE(IsWindowEnabled(generate));

    SendMessageW(Item(IDC_FILE_LIST), LVM_DELETEALLITEMS, 0, 0);
    Idle();
    Idle();
    EXPECT_FALSE(IsWindowEnabled(generate));
    EXPECT_TRUE(IsGreyed(edit, 1));

    // Nothing else follows the list.
    for (int id : {IDC_ADD_FILES, IDC_DELETE_FILES, IDC_CLEAR_LIST, IDC_OPEN_OUTPUT_DIR})
        EXPECT_TRUE(IsWindowEnabled(Item(id))) << id;
    EXPECT_FALSE(IsGreyed(edit, 0));
    EXPECT_FALSE(IsGreyed(edit, 3));
}

TEST_F(MainDialogTest, EscapeAndEnterLeaveTheDialogOpen) {
    Open();
    const HWND list = Item(IDC_FILE_LIST);
    SetFocus(list);
    // Through the loop's filters, as the keys arrive at run time: the dialog
    // manager turns them into IDCANCEL and IDOK.
    for (WPARAM key : {VK_ESCAPE, VK_RETURN}) {
        MSG msg{list, WM_KEYDOWN, key, 0, 0, {}};
        EXPECT_TRUE(g_module.GetMessageLoop()->PreTranslateMessage(&msg));
    }
    SendMessageW(m_hWnd, WM_COMMAND, IDOK, 0);
    SendMessageW(m_hWnd, WM_COMMAND, IDCANCEL, 0);
    Pump();
    EXPECT_TRUE(IsWindowVisible(m_hWnd));
    EXPECT_FALSE(TakeQuitMessage());
    EXPECT_EQ(ReadIni(), L"");
}

TEST_F(MainDialogTest, CloseBoxAndExitBothCloseAndSave) {
    const struct {
        UINT message;
        WPARAM wParam;
    } ways[] = {{WM_CLOSE, 0}, {WM_COMMAND, ID_FILE_EXIT}};
    for (const auto& way : ways) {
        DeleteFileW(IniPath().c_str());
        Open();
        SendMessageW(m_hWnd, way.message, way.wParam, 0);
        EXPECT_FALSE(IsWindow(m_hWnd)) << way.message;
        EXPECT_EQ(TakeQuitMessage(), 0) << way.message;
        EXPECT_NE(ReadIni(), L"") << way.message;
        Close();
    }
}

// Which edges of a control follow the width (X) and the height (Y) of the
// client area.
struct Anchor {
    int id;
    const char* left;
    const char* top;
    const char* right;
    const char* bottom;
};
const Anchor kAnchors[] = {
    {IDC_FILE_LIST_LABEL, "", "", "", ""},   {IDC_FILE_LIST, "", "", "X", "Y"},
    {IDC_SEPARATOR, "", "Y", "X", "Y"},      {IDC_PROGRESS, "", "Y", "X", "Y"},
    {IDC_OUTPUT, "", "Y", "X", "Y"},         {IDC_OUTPUT_LABEL, "", "Y", "", "Y"},
    {IDC_ADD_FILES, "", "Y", "", "Y"},       {IDC_DELETE_FILES, "", "Y", "", "Y"},
    {IDC_CLEAR_LIST, "", "Y", "", "Y"},      {IDC_GENERATE, "", "Y", "", "Y"},
    {IDC_OPEN_OUTPUT_DIR, "", "Y", "", "Y"}, {kSizeGripId, "X", "Y", "X", "Y"},
};

LONG Follow(const char* axes, int dx, int dy) {
    return (std::string(axes) == "X" ? dx : 0) + (std::string(axes) == "Y" ? dy : 0);
}

RECT ClientRect(HWND window) {
    RECT rect{};
    GetClientRect(window, &rect);
    return rect;
}

TEST_F(MainDialogTest, ControlsFollowTheirAnchorsWhenResized) {
    Open();
    const RECT client = ClientRect(m_hWnd);
    RECT window{};
    GetWindowRect(m_hWnd, &window);
    std::vector<RECT> before;
    for (const Anchor& anchor : kAnchors) before.push_back(RectInParent(Item(anchor.id)));
    // The grip sits in the bottom-right corner.
    EXPECT_EQ(before.back().right, client.right);
    EXPECT_EQ(before.back().bottom, client.bottom);

    const struct { int dx, dy; } changes[] = {{100, 0}, {0, 100}, {100, 100}, {0, 0}};
    for (const auto& change : changes) {
        SetWindowPos(m_hWnd, nullptr, 0, 0, window.right - window.left + change.dx,
                     window.bottom - window.top + change.dy, SWP_NOMOVE | SWP_NOZORDER);
        const RECT now = ClientRect(m_hWnd);
        ASSERT_EQ(now.right - client.right, change.dx);
        ASSERT_EQ(now.bottom - client.bottom, change.dy);
        for (size_t i = 0; i < std::size(kAnchors); ++i) {
            const Anchor& a = kAnchors[i];
            const RECT rect = RectInParent(Item(a.id));
            SCOPED_TRACE(testing::Message() << "control " << a.id << ", " << change.dx << " wider, "
                                            << change.dy << " taller");
            EXPECT_EQ(rect.left, before[i].left + Follow(a.left, change.dx, change.dy));
            EXPECT_EQ(rect.top, before[i].top + Follow(a.top, change.dx, change.dy));
            EXPECT_EQ(rect.right, before[i].right + Follow(a.right, change.dx, change.dy));
            EXPECT_EQ(rect.bottom, before[i].bottom + Follow(a.bottom, change.dx, change.dy));
        }
    }
}

TEST_F(MainDialogTest, MaximiseHidesTheGripRestoreShowsItMinimiseKeepsTheLayout) {
    Open();
    const HWND grip = Item(kSizeGripId);
    const HWND list = Item(IDC_FILE_LIST);
    const RECT first = RectInParent(list);
    EXPECT_TRUE(IsWindowVisible(grip));

    ShowWindow(m_hWnd, SW_MAXIMIZE);
    EXPECT_FALSE(IsWindowVisible(grip));
    const RECT maximised = RectInParent(list);
    EXPECT_GT(maximised.right, first.right);
    EXPECT_GT(maximised.bottom, first.bottom);

    ShowWindow(m_hWnd, SW_RESTORE);
    EXPECT_TRUE(IsWindowVisible(grip));
    const RECT restored = RectInParent(list);
    EXPECT_TRUE(EqualRect(&first, &restored));

    ShowWindow(m_hWnd, SW_MINIMIZE);
    EXPECT_TRUE(IsIconic(m_hWnd));
    const RECT minimised = RectInParent(list);
    EXPECT_TRUE(EqualRect(&first, &minimised));
}

TEST_F(MainDialogTest, CannotBeMadeSmallerThanFirstShown) {
    Open();
    RECT window{};
    GetWindowRect(m_hWnd, &window);
    MINMAXINFO info{};
    SendMessageW(m_hWnd, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info));
    EXPECT_EQ(info.ptMinTrackSize.x, window.right - window.left);
    EXPECT_EQ(info.ptMinTrackSize.y, window.bottom - window.top);
}

TEST_F(MainDialogTest, OpenOutputFolderStartsExplorerOnlyWhenClicked) {
    const struct {
        const wchar_t* folder;
        const wchar_t* commandLine;
    } cases[] = {
        {L"", L"Explorer.exe \"\""},
        {L"D:\\skins out\\夜曲ё", L"Explorer.exe \"D:\\skins out\\夜曲ё\""},
    };
    for (const auto& c : cases) {
        WriteIni(std::wstring(L"[Configure]\r\nOutputDirectory=") + c.folder + L"\r\n");
        Open();
        m_shell.startedPrograms.clear();
        const HWND button = Item(IDC_OPEN_OUTPUT_DIR);
        SendMessageW(m_hWnd, WM_COMMAND, MAKEWPARAM(IDC_OPEN_OUTPUT_DIR, BN_DOUBLECLICKED),
                     reinterpret_cast<LPARAM>(button));
        SendMessageW(m_hWnd, WM_COMMAND, MAKEWPARAM(IDC_OPEN_OUTPUT_DIR, BN_SETFOCUS),
                     reinterpret_cast<LPARAM>(button));
        EXPECT_TRUE(m_shell.startedPrograms.empty());
        SendMessageW(button, BM_CLICK, 0, 0);
        EXPECT_EQ(m_shell.startedPrograms, std::vector<std::wstring>{c.commandLine});
        Close();
    }
}

TEST_F(MainDialogTest, HelpShowsTheHelpText) {
    Open();
    SendMessageW(m_hWnd, WM_COMMAND, ID_HELP, 0);
    ASSERT_EQ(m_shell.messageBoxes.size(), 1u);
    const auto& box = m_shell.messageBoxes[0];
    EXPECT_EQ(box.owner, m_hWnd);
    EXPECT_EQ(box.caption, L"帮助");
    EXPECT_EQ(box.type, static_cast<UINT>(MB_OK | MB_ICONQUESTION));
    EXPECT_EQ(box.text,
              L"本工具支持打包Zafra皮肤为kolo格式\n"
              L"\n"
              L"一、工具说明：\n"
              L"\n"
              L"1. 支持*.xml和*.pxa打包生成为kolo文件\n"
              L"2. 支持*.xml和*.mbm打包生成为kolo文件\n"
              L"3. 支持批量打包，可拖动多个文件到列表中，一次性生成多个kolo文件\n"
              L"4. 皮肤实际文件名和打包前的文件名一致，不受kolo外部文件名影响\n"
              L"\n"
              L"\n"
              L"二、操作说明\n"
              L"\n"
              L"1. 拖动皮肤文件\uFF08*.xml\u3001*.pxa\uFF09或者\uFF08*.xml\u3001*.mbm\uFF09"
              L"到文件列表窗口中      \n"
              L"2. 点击\u201C生成\u201D，即可生成kolo文件到指定目录\n"
              L"\n"
              L"\n"
              L"三、皮肤使用方法：\n"
              L"\n"
              L"把kolo文件放到Zafra皮肤文件夹中，启动Zafra加载即可。\n"
              L"Zafra皮肤文件夹的存储路径为：\n"
              L"X:/Zafra/Skin/V4/\n"
              L"\n"
              L"X表示Zafra所选安装盘，即手机或存储卡。");
}

// The texts of the static text controls (not the icons) of a dialog.
BOOL CALLBACK CollectStaticTexts(HWND child, LPARAM lParam) {
    wchar_t className[16] = {};
    GetClassNameW(child, className, 16);
    if (std::wstring(className) == L"Static" &&
        (GetWindowLongPtrW(child, GWL_STYLE) & SS_TYPEMASK) != SS_ICON)
        reinterpret_cast<std::vector<std::wstring>*>(lParam)->push_back(WindowText(child));
    return TRUE;
}

TEST_F(MainDialogTest, AboutBoxShowsNameVersionAndDate) {
    Open();
    const bool opened = WhileModal(m_hWnd, ID_APP_ABOUT, [](HWND about) {
        EXPECT_EQ(WindowText(about), L"关于");
        std::vector<std::wstring> texts;
        EnumChildWindows(about, CollectStaticTexts, reinterpret_cast<LPARAM>(&texts));
        EXPECT_EQ(texts, std::vector<std::wstring>{
                             L"Zafra皮肤打包工具\n\n版本\uFF1A 0.0.0.1\n\n2009年11月10日"});
        EXPECT_EQ(WindowText(GetDlgItem(about, IDOK)), L"确定");
        SendMessageW(GetDlgItem(about, IDOK), BM_CLICK, 0, 0);
    });
    EXPECT_TRUE(opened);
    EXPECT_TRUE(IsWindow(m_hWnd));
}

class ContextMenuTest : public MainDialogTest {
  protected:
    // Puts the pointer at `point` of the list and right-clicks there.
    void RightClickAt(POINT point) {
        const HWND list = Item(IDC_FILE_LIST);
        ClientToScreen(list, &point);
        SetCursorPos(point.x, point.y);
        NMITEMACTIVATE click{};
        click.hdr = {list, IDC_FILE_LIST, static_cast<UINT>(NM_RCLICK)};
        SendMessageW(m_hWnd, WM_NOTIFY, IDC_FILE_LIST, reinterpret_cast<LPARAM>(&click));
        ASSERT_EQ(m_shell.popups.size(), 1u);
        const auto& popup = m_shell.popups[0];
        EXPECT_EQ(popup.menu, EditMenu(m_hWnd));
        EXPECT_EQ(popup.flags, static_cast<UINT>(TPM_LEFTBUTTON));
        EXPECT_EQ(popup.point.x, point.x);
        EXPECT_EQ(popup.point.y, point.y);
        EXPECT_EQ(popup.owner, m_hWnd);
    }
    POINT RowCentre(int row) {
        RECT rect{};
        rect.left = LVIR_BOUNDS;
        SendMessageW(Item(IDC_FILE_LIST), LVM_GETITEMRECT, row, reinterpret_cast<LPARAM>(&rect));
        return {(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
    }
};

TEST_F(ContextMenuTest, SelectsAndFocusesTheRowUnderThePointer) {
    Open();
    const HWND list = Item(IDC_FILE_LIST);
    for (const wchar_t* path : {L"C:\\a.xml", L"C:\\a.pxa", L"C:\\b.xml"}) InsertRow(list, path);
    LVITEMW selected{};
    selected.stateMask = LVIS_SELECTED;
    selected.state = LVIS_SELECTED;
    SendMessageW(list, LVM_SETITEMSTATE, 0, reinterpret_cast<LPARAM>(&selected));

    RightClickAt(RowCentre(2));
    EXPECT_EQ(RowState(list, 0), static_cast<UINT>(LVIS_SELECTED));
    EXPECT_EQ(RowState(list, 1), 0u);
    EXPECT_EQ(RowState(list, 2), static_cast<UINT>(LVIS_SELECTED | LVIS_FOCUSED));
}

TEST_F(ContextMenuTest, BelowTheLastRowSelectsNothingButStillShowsTheMenu) {
    Open();
    const HWND list = Item(IDC_FILE_LIST);
    InsertRow(list, L"C:\\a.xml");
    const RECT client = ClientRect(list);
    RightClickAt({client.right / 2, client.bottom - 5});
    EXPECT_EQ(RowState(list, 0), 0u);
}

}  // namespace
}  // namespace gui_testing
