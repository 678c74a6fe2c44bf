#include "tests/gui/gui_support.h"

#include <commctrl.h>
#include <objbase.h>

#include <filesystem>

#include "app/win/app_module.h"
#include "app/win/message_loop.h"
#include "tests/support/temp_dir.h"

namespace gui_testing {
namespace {

// The process as vellum.exe's start-up leaves it: COM, the list view class,
// the application object and a message loop for this thread.
class GuiEnvironment : public testing::Environment {
  public:
    void SetUp() override {
        CoInitialize(nullptr);
        INITCOMMONCONTROLSEX controls{sizeof controls, ICC_LISTVIEW_CLASSES};
        InitCommonControlsEx(&controls);
        g_module.Init(GetModuleHandleW(nullptr));
        g_module.AddMessageLoop(&m_loop);
    }
    void TearDown() override {
        g_module.RemoveMessageLoop();
        g_module.Term();
        CoUninitialize();
    }

  private:
    CMessageLoop m_loop;
};

testing::Environment* const environment = testing::AddGlobalTestEnvironment(new GuiEnvironment);

// The modal window WhileModal waits for: any dialog of this thread that is
// shown, other than the window that opened it.
struct ModalSearch {
    HWND owner;
    HWND found;
};

BOOL CALLBACK FindModal(HWND window, LPARAM lParam) {
    auto* search = reinterpret_cast<ModalSearch*>(lParam);
    wchar_t className[16] = {};
    GetClassNameW(window, className, 16);
    if (window != search->owner && IsWindowVisible(window) &&
        std::wstring(className) == L"#32770") {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

struct ModalScript {
    HWND owner = nullptr;
    const std::function<void(HWND)>* action = nullptr;
    UINT_PTR timer = 0;
    bool ran = false;
};
ModalScript g_modal;

// Runs inside the modal loop, which dispatches this thread's timers.
void CALLBACK OnModalTimer(HWND, UINT, UINT_PTR, DWORD) {
    ModalSearch search{g_modal.owner, nullptr};
    EnumThreadWindows(GetCurrentThreadId(), FindModal, reinterpret_cast<LPARAM>(&search));
    if (!search.found || g_modal.ran) return;
    KillTimer(nullptr, g_modal.timer);
    g_modal.ran = true;
    (*g_modal.action)(search.found);
    if (IsWindowVisible(search.found)) {
        ADD_FAILURE() << "the modal window was left open";
        EndDialog(search.found, IDCANCEL);
    }
}

}  // namespace

bool ScriptedShell::ChooseFolder(HWND owner, std::wstring& folder) {
    chooserOwners.push_back(owner);
    if (!chosenFolder) return false;
    folder = *chosenFolder;
    return true;
}

int ScriptedShell::ShowMessageBox(HWND owner, const std::wstring& text, const std::wstring& caption,
                                  UINT type) {
    messageBoxes.push_back({owner, text, caption, type});
    return IDOK;
}

void ScriptedShell::TrackPopupMenu(HMENU menu, UINT flags, POINT screenPoint, HWND owner) {
    popups.push_back({menu, flags, screenPoint, owner});
}

void ScriptedShell::StartProgram(const std::wstring& commandLine) {
    startedPrograms.push_back(commandLine);
}

std::wstring WindowText(HWND window) {
    std::wstring text(static_cast<size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
    text.resize(
        static_cast<size_t>(GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
    return text;
}

RECT RectInParent(HWND control) {
    RECT rect{};
    GetWindowRect(control, &rect);
    MapWindowPoints(nullptr, GetParent(control), reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

void Pump() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, WM_QUIT - 1, PM_REMOVE) ||
           PeekMessageW(&msg, nullptr, WM_QUIT + 1, 0xFFFFFFFF, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

std::optional<int> TakeQuitMessage() {
    MSG msg;
    if (!PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) return std::nullopt;
    return static_cast<int>(msg.wParam);
}

std::wstring IniPath() {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder(path);
    return folder.substr(0, folder.find_last_of(L'\\') + 1) + L"vellum.ini";
}

std::wstring ReadIni() {
    const std::filesystem::path path(IniPath());
    if (!std::filesystem::exists(path)) return L"";
    const std::string bytes = testing_support::ReadBytes(path);
    if (bytes.size() < 2 || bytes.compare(0, 2, "\xFF\xFE") != 0)
        return std::wstring(bytes.begin(), bytes.end());
    std::wstring text;
    for (size_t i = 2; i + 1 < bytes.size(); i += 2) {
        text += static_cast<wchar_t>(static_cast<unsigned char>(bytes[i]) |
                                     static_cast<unsigned char>(bytes[i + 1]) << 8);
    }
    return text;
}

void WriteIni(const std::wstring& text) {
    std::string bytes = "\xFF\xFE";
    for (wchar_t c : text) {
        bytes += static_cast<char>(c & 0xFF);
        bytes += static_cast<char>(c >> 8);
    }
    testing_support::WriteBytes(std::filesystem::path(IniPath()), bytes);
}

bool WhileModal(HWND owner, UINT command, const std::function<void(HWND)>& action) {
    g_modal = {owner, &action, SetTimer(nullptr, 0, 10, OnModalTimer), false};
    SendMessageW(owner, WM_COMMAND, command, 0);
    KillTimer(nullptr, g_modal.timer);
    return g_modal.ran;
}

void MainDialogTest::SetUp() {
    DeleteFileW(IniPath().c_str());
}

void MainDialogTest::TearDown() {
    Close();
    DeleteFileW(IniPath().c_str());
}

HWND MainDialogTest::Open() {
    m_dialog = std::make_unique<CMainDlg>(m_shell);
    m_hWnd = m_dialog->Create(nullptr);
    EXPECT_NE(m_hWnd, nullptr);
    ShowWindow(m_hWnd, SW_SHOWNORMAL);
    Pump();
    return m_hWnd;
}

void MainDialogTest::Close() {
    if (m_dialog && m_dialog->Handle()) DestroyWindow(m_dialog->Handle());
    m_dialog.reset();
    m_hWnd = nullptr;
    TakeQuitMessage();
}

void MainDialogTest::Idle() {
    g_module.GetMessageLoop()->OnIdle();
}

}  // namespace gui_testing
