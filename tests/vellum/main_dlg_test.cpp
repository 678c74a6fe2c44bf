// The main dialog from its real template: idle enabling, keys and closing,
// anchoring, and the actions around the file list.
#include <windows.h>

#include <commctrl.h>

#include <functional>

#include "tests/vellum/gui_support.h"
#include "vellum/frame/dialog_resize.h"
#include "vellum/res/resource.h"

namespace vellum {
namespace {

void InsertRow(HWND list, const wchar_t* path) {
    LVITEMW item{};
    item.mask = LVIF_TEXT;
    item.iItem = static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
    item.pszText = const_cast<wchar_t*>(path);
    SendMessageW(list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
}

// "删除" is item 1 of the "编辑" popup, the menu bar's second.
bool IsDeleteGreyed(HWND dialog) {
    return GetMenuState(GetSubMenu(GetMenu(dialog), 1), 1, MF_BYPOSITION) & MF_GRAYED;
}

TEST_F(MainDialogTest, GenerateAndDeleteFollowTheRowCountAtTheFirstIdleMoment) {
    Open();
    const HWND generate = Item(IDC_GENERATE);
    // The list starts empty, and so does the button: no run over nothing.
    EXPECT_FALSE(IsWindowEnabled(generate));
    Idle();
    EXPECT_TRUE(IsDeleteGreyed(m_hWnd));
    EXPECT_FALSE(IsWindowEnabled(generate));

    InsertRow(Item(IDC_FILE_LIST), L"C:\\skins\\night.xml");
    Idle();
    EXPECT_FALSE(IsDeleteGreyed(m_hWnd));
    EXPECT_TRUE(IsWindowEnabled(generate));

    SendMessageW(Item(IDC_FILE_LIST), LVM_DELETEALLITEMS, 0, 0);
    Idle();
    EXPECT_FALSE(IsWindowEnabled(generate));
    EXPECT_TRUE(IsDeleteGreyed(m_hWnd));
    for (int id : {IDC_ADD_FILES, IDC_DELETE_FILES, IDC_CLEAR_LIST, IDC_OPEN_OUTPUT_DIR})
        EXPECT_TRUE(IsWindowEnabled(Item(id))) << id;
}

TEST_F(MainDialogTest, EscapeAndEnterLeaveTheDialogOpenWhereverTheFocusIs) {
    Open();
    const HWND pane = Item(IDC_OUTPUT);
    EXPECT_EQ(GetFocus(), pane);  // the first tab stop
    // Escape in the pane, the list and on a button, Enter in the list: real
    // keys through the message loop and the dialog manager.
    const struct {
        int focus;
        WORD key;
    } presses[] = {{IDC_OUTPUT, VK_ESCAPE},
                   {IDC_FILE_LIST, VK_ESCAPE},
                   {IDC_ADD_FILES, VK_ESCAPE},
                   {IDC_FILE_LIST, VK_RETURN}};
    for (const auto& press : presses) {
        SendMessageW(m_hWnd, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(Item(press.focus)), TRUE);
        PressKey(press.key);
        ASSERT_EQ(Idle(), std::nullopt) << "key " << press.key << " in control " << press.focus;
        EXPECT_EQ(GetFocus(), Item(press.focus));
    }
    SendMessageW(m_hWnd, WM_COMMAND, IDOK, 0);
    SendMessageW(m_hWnd, WM_COMMAND, IDCANCEL, 0);
    EXPECT_TRUE(IsWindowVisible(m_hWnd));
    EXPECT_EQ(ReadIni(), L"");
    EXPECT_TRUE(m_shell.openDialogs.empty());

    // Enter in the pane is a line break; Tab goes on to the list.
    SendMessageW(m_hWnd, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(pane), TRUE);
    PressKey(VK_RETURN);
    PressKey(VK_TAB);
    ASSERT_EQ(Idle(), std::nullopt);
    EXPECT_EQ(WindowText(pane), L"\r\n");
    EXPECT_EQ(GetFocus(), Item(IDC_FILE_LIST));
}

TEST_F(MainDialogTest, TheCloseBoxAltF4AndExitCloseTheDialogAndSave) {
    const struct {
        const char* way;
        std::function<void(HWND)> close;
    } ways[] = {
        // What the close box and the system menu send.
        {"close box", [](HWND dialog) { SendMessageW(dialog, WM_SYSCOMMAND, SC_CLOSE, 0); }},
        {"Alt+F4", [](HWND) { PressKey(VK_F4, {VK_MENU}); }},
        {"退出", [](HWND dialog) { SendMessageW(dialog, WM_COMMAND, ID_FILE_EXIT, 0); }},
    };
    for (const auto& way : ways) {
        Open();
        way.close(m_hWnd);
        EXPECT_EQ(Idle(), 0) << way.way;  // the loop ends with exit code 0
        EXPECT_FALSE(IsWindow(m_hWnd)) << way.way;
        EXPECT_NE(ReadIni(), L"") << way.way;
        Close();
        WriteIni(L"");
    }
}

// Which edges of each control follow the width (X) and the height (Y) of the
// client area: left, top, right, bottom.
const struct {
    int id;
    const char* edges;
} kAnchors[] = {
    {IDC_FILE_LIST_LABEL, "...."}, {IDC_FILE_LIST, "..XY"},       {IDC_SEPARATOR, ".YXY"},
    {IDC_PROGRESS, ".YXY"},        {IDC_OUTPUT, ".YXY"},          {IDC_OUTPUT_LABEL, ".Y.Y"},
    {IDC_ADD_FILES, ".Y.Y"},       {IDC_DELETE_FILES, ".Y.Y"},    {IDC_CLEAR_LIST, ".Y.Y"},
    {IDC_GENERATE, ".Y.Y"},        {IDC_OPEN_OUTPUT_DIR, ".Y.Y"}, {frame::kSizeGripId, "XYXY"},
};

TEST_F(MainDialogTest, ControlsFollowTheirAnchorsWhenResized) {
    Open();
    RECT client{}, window{};
    GetClientRect(m_hWnd, &client);
    GetWindowRect(m_hWnd, &window);
    std::vector<RECT> first;
    for (const auto& anchor : kAnchors) first.push_back(RectInParent(Item(anchor.id)));
    EXPECT_EQ(first.back().right, client.right);  // the grip sits in the corner
    EXPECT_EQ(first.back().bottom, client.bottom);

    for (const SIZE change : {SIZE{100, 0}, SIZE{0, 100}, SIZE{100, 100}, SIZE{0, 0}}) {
        SetWindowPos(m_hWnd, nullptr, 0, 0, window.right - window.left + change.cx,
                     window.bottom - window.top + change.cy, SWP_NOMOVE | SWP_NOZORDER);
        for (size_t i = 0; i < std::size(kAnchors); ++i) {
            const RECT rect = RectInParent(Item(kAnchors[i].id));
            const LONG* edges[] = {&rect.left, &rect.top, &rect.right, &rect.bottom};
            const LONG* firstEdges[] = {&first[i].left, &first[i].top, &first[i].right,
                                        &first[i].bottom};
            for (int edge = 0; edge < 4; ++edge) {
                const char follows = kAnchors[i].edges[edge];
                EXPECT_EQ(*edges[edge], *firstEdges[edge] + (follows == 'X'   ? change.cx
                                                             : follows == 'Y' ? change.cy
                                                                              : 0))
                    << "control " << kAnchors[i].id << ", edge " << edge << ", " << change.cx
                    << " wider, " << change.cy << " taller";
            }
        }
    }
}

TEST_F(MainDialogTest, GripAndMinimumSizeFollowTheWindowState) {
    Open();
    RECT window{};
    GetWindowRect(m_hWnd, &window);
    MINMAXINFO info{};
    SendMessageW(m_hWnd, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info));
    EXPECT_EQ(info.ptMinTrackSize.x, window.right - window.left);
    EXPECT_EQ(info.ptMinTrackSize.y, window.bottom - window.top);

    const HWND grip = Item(frame::kSizeGripId);
    const RECT first = RectInParent(Item(IDC_FILE_LIST));
    ShowWindow(m_hWnd, SW_MAXIMIZE);
    EXPECT_FALSE(IsWindowVisible(grip));
    EXPECT_GT(RectInParent(Item(IDC_FILE_LIST)).right, first.right);
    ShowWindow(m_hWnd, SW_RESTORE);
    EXPECT_TRUE(IsWindowVisible(grip));
    ShowWindow(m_hWnd, SW_MINIMIZE);
    ASSERT_TRUE(IsIconic(m_hWnd));
    const RECT minimised = RectInParent(Item(IDC_FILE_LIST));
    EXPECT_TRUE(EqualRect(&first, &minimised));
}

TEST_F(MainDialogTest, OpenOutputFolderStartsExplorerOnlyWhenClicked) {
    for (const std::wstring folder : {L"", L"D:\\skins out\\夜曲ё"}) {
        WriteIni(L"[Configure]\r\nOutputDirectory=" + folder + L"\r\n");
        Open();
        for (WORD code : {BN_DOUBLECLICKED, BN_SETFOCUS})
            SendMessageW(m_hWnd, WM_COMMAND, MAKEWPARAM(IDC_OPEN_OUTPUT_DIR, code), 0);
        EXPECT_TRUE(m_shell.started.empty());
        SendMessageW(Item(IDC_OPEN_OUTPUT_DIR), BM_CLICK, 0, 0);
        ASSERT_EQ(m_shell.started.size(), 1u);
        EXPECT_EQ(m_shell.started[0], (std::vector<std::wstring>{L"Explorer.exe", folder}));
        m_shell.started.clear();
        Close();
    }
}

// The texts of a dialog's static text controls, icons left out.
BOOL CALLBACK CollectTexts(HWND child, LPARAM texts) {
    wchar_t className[16] = {};
    GetClassNameW(child, className, 16);
    if (className == std::wstring(L"Static") &&
        (GetWindowLongPtrW(child, GWL_STYLE) & SS_TYPEMASK) != SS_ICON)
        reinterpret_cast<std::vector<std::wstring>*>(texts)->push_back(WindowText(child));
    return TRUE;
}

TEST_F(MainDialogTest, AboutAndHelpShowTheirTexts) {
    Open();
    EXPECT_TRUE(WhileModal(m_hWnd, ID_APP_ABOUT, [](HWND about) {
        std::vector<std::wstring> texts;
        EnumChildWindows(about, CollectTexts, reinterpret_cast<LPARAM>(&texts));
        EXPECT_EQ(texts, std::vector<std::wstring>{
                             L"Zafra皮肤打包工具\n\n版本\uFF1A 0.0.0.1\n\n2009年11月10日"});
        SendMessageW(GetDlgItem(about, IDOK), BM_CLICK, 0, 0);
    }));

    SendMessageW(m_hWnd, WM_COMMAND, ID_HELP, 0);
    ASSERT_EQ(m_shell.messageBoxes.size(), 1u);
    const auto& box = m_shell.messageBoxes[0];
    EXPECT_EQ(box.owner, m_hWnd);
    EXPECT_EQ(box.caption, L"帮助");
    EXPECT_EQ(box.flags, static_cast<UINT>(MB_OK | MB_ICONQUESTION));
    EXPECT_EQ(box.text,
              L"本工具支持打包Zafra皮肤为kolo格式\n\n一、工具说明：\n\n"
              L"1. 支持*.xml和*.pxa打包生成为kolo文件\n"
              L"2. 支持*.xml和*.mbm打包生成为kolo文件\n"
              L"3. 支持批量打包，可拖动多个文件到列表中，一次性生成多个kolo文件\n"
              L"4. 皮肤实际文件名和打包前的文件名一致，不受kolo外部文件名影响\n\n\n"
              L"二、操作说明\n\n"
              L"1. 拖动皮肤文件\uFF08*.xml\u3001*.pxa\uFF09或者\uFF08*.xml\u3001*.mbm\uFF09"
              L"到文件列表窗口中      \n"
              L"2. 点击\u201C生成\u201D，即可生成kolo文件到指定目录\n\n\n"
              L"三、皮肤使用方法：\n\n"
              L"把kolo文件放到Zafra皮肤文件夹中，启动Zafra加载即可。\n"
              L"Zafra皮肤文件夹的存储路径为：\nX:/Zafra/Skin/V4/\n\n"
              L"X表示Zafra所选安装盘，即手机或存储卡。");
}

TEST_F(MainDialogTest, RightClickSelectsTheRowUnderThePointerAndShowsTheEditMenu) {
    Open();
    const HWND list = Item(IDC_FILE_LIST);
    for (const wchar_t* path : {L"C:\\a.xml", L"C:\\a.pxa", L"C:\\b.xml"}) InsertRow(list, path);
    LVITEMW selected{};
    selected.stateMask = selected.state = LVIS_SELECTED;
    SendMessageW(list, LVM_SETITEMSTATE, 0, reinterpret_cast<LPARAM>(&selected));
    RECT row2{LVIR_BOUNDS, 0, 0, 0}, client{};
    SendMessageW(list, LVM_GETITEMRECT, 2, reinterpret_cast<LPARAM>(&row2));
    GetClientRect(list, &client);

    // On row 2, then below the last row: the menu opens at the pointer both times.
    for (POINT point : {POINT{row2.left + 20, (row2.top + row2.bottom) / 2},
                        POINT{client.right / 2, client.bottom - 5}}) {
        ClientToScreen(list, &point);
        SetCursorPos(point.x, point.y);
        NMHDR click{list, IDC_FILE_LIST, static_cast<UINT>(NM_RCLICK)};
        SendMessageW(m_hWnd, WM_NOTIFY, IDC_FILE_LIST, reinterpret_cast<LPARAM>(&click));
        const auto& popup = m_shell.popups.back();
        EXPECT_EQ(popup.menu, GetSubMenu(GetMenu(m_hWnd), 1));
        EXPECT_EQ(popup.flags, static_cast<UINT>(TPM_LEFTBUTTON));
        EXPECT_EQ(popup.point.x, point.x);
        EXPECT_EQ(popup.point.y, point.y);
        EXPECT_EQ(popup.owner, m_hWnd);
        const UINT mask = LVIS_SELECTED | LVIS_FOCUSED;
        EXPECT_EQ(SendMessageW(list, LVM_GETITEMSTATE, 0, mask), LVIS_SELECTED);
        EXPECT_EQ(SendMessageW(list, LVM_GETITEMSTATE, 1, mask), 0);
        EXPECT_EQ(SendMessageW(list, LVM_GETITEMSTATE, 2, mask), LVIS_SELECTED | LVIS_FOCUSED);
    }
    EXPECT_EQ(m_shell.popups.size(), 2u);
}

}  // namespace
}  // namespace vellum
