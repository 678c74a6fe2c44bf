#include "tests/vellum/gui_support.h"

#include <commctrl.h>
#include <objbase.h>

#include <filesystem>

#include "tests/support/temp_dir.h"
#include "vellum/frame/app_module.h"
#include "vellum/frame/message_loop.h"

namespace vellum {
namespace {

// The process as vellum.exe's start-up leaves it: COM, the list view class,
// the application object and a message loop for this thread.
class GuiEnvironment : public testing::Environment {
  public:
    void SetUp() override {
        CoInitialize(nullptr);
        INITCOMMONCONTROLSEX controls{sizeof controls, ICC_LISTVIEW_CLASSES};
        InitCommonControlsEx(&controls);
        frame::g_module.Init(GetModuleHandleW(nullptr));
        frame::g_module.AddMessageLoop(&m_loop);
    }
    void TearDown() override {
        frame::g_module.RemoveMessageLoop();
        frame::g_module.Term();
        CoUninitialize();
    }

  private:
    frame::CMessageLoop m_loop;
};

testing::Environment* const environment = testing::AddGlobalTestEnvironment(new GuiEnvironment);

std::filesystem::path IniPath() {
    wchar_t program[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, program, MAX_PATH);
    return std::filesystem::path(program).parent_path() / "vellum.ini";
}

struct ModalScript {
    HWND owner;
    const std::function<void(HWND)>* action;
    UINT_PTR timer;
    bool ran;
} g_modal;

BOOL CALLBACK FindModal(HWND window, LPARAM found) {
    wchar_t className[16] = {};
    GetClassNameW(window, className, 16);
    if (window == g_modal.owner || !IsWindowVisible(window) || className != std::wstring(L"#32770"))
        return TRUE;
    *reinterpret_cast<HWND*>(found) = window;
    return FALSE;
}

// Runs inside the modal loop, which dispatches this thread's timers.
void CALLBACK OnModalTimer(HWND, UINT, UINT_PTR, DWORD) {
    HWND modal = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), FindModal, reinterpret_cast<LPARAM>(&modal));
    if (!modal || g_modal.ran) return;
    KillTimer(nullptr, g_modal.timer);
    g_modal.ran = true;
    (*g_modal.action)(modal);
    if (IsWindowVisible(modal)) {
        ADD_FAILURE() << "the modal window was left open";
        EndDialog(modal, IDCANCEL);
    }
}

}  // namespace

bool ScriptedShell::ChooseFiles(OPENFILENAMEW& dialog) {
    openDialogs.push_back(dialog);
    if (!chosenFiles || chosenFiles->empty()) return false;
    const std::wstring& first = chosenFiles->front();
    const size_t nameOffset = first.find_last_of(L'\\') + 1;
    std::wstring selection;
    if (chosenFiles->size() == 1) {
        selection = first + L'\0';
        dialog.nFileOffset = static_cast<WORD>(nameOffset);
    } else {
        selection = first.substr(0, nameOffset - 1) + L'\0';
        dialog.nFileOffset = static_cast<WORD>(nameOffset);
        for (const auto& path : *chosenFiles) selection += path.substr(nameOffset) + L'\0';
    }
    selection += L'\0';
    if (selection.size() > dialog.nMaxFile) return false;
    std::copy(selection.begin(), selection.end(), dialog.lpstrFile);
    return true;
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

void PressKey(WORD key, std::initializer_list<WORD> held) {
    std::vector<INPUT> inputs;
    const auto add = [&](WORD virtualKey, DWORD flags) {
        INPUT input{};
        input.type = INPUT_KEYBOARD;
        input.ki.wVk = virtualKey;
        input.ki.wScan = static_cast<WORD>(MapVirtualKeyW(virtualKey, MAPVK_VK_TO_VSC));
        input.ki.dwFlags = flags;
        inputs.push_back(input);
    };
    for (WORD down : held) add(down, 0);
    add(key, 0);
    add(key, KEYEVENTF_KEYUP);
    for (auto up = std::rbegin(held); up != std::rend(held); ++up) add(*up, KEYEVENTF_KEYUP);
    ASSERT_EQ(SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT)),
              inputs.size());
}

std::optional<int> TakeQuitMessage() {
    MSG msg;
    if (!PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) return std::nullopt;
    return static_cast<int>(msg.wParam);
}

std::wstring ReadIni() {
    if (!std::filesystem::exists(IniPath())) return L"";
    const std::string bytes = testing_support::ReadBytes(IniPath());
    if (bytes.compare(0, 2, "\xFF\xFE") != 0) return std::wstring(bytes.begin(), bytes.end());
    std::wstring text;
    for (size_t i = 2; i + 1 < bytes.size(); i += 2)
        text += static_cast<wchar_t>(static_cast<unsigned char>(bytes[i]) |
                                     static_cast<unsigned char>(bytes[i + 1]) << 8);
    return text;
}

void WriteIni(const std::wstring& text) {
    std::string bytes = "\xFF\xFE";
    for (wchar_t c : text) bytes += {static_cast<char>(c & 0xFF), static_cast<char>(c >> 8)};
    testing_support::WriteBytes(IniPath(), bytes);
}

bool WhileModal(HWND owner, UINT command, const std::function<void(HWND)>& action) {
    g_modal = {owner, &action, SetTimer(nullptr, 0, 10, OnModalTimer), false};
    SendMessageW(owner, WM_COMMAND, command, 0);
    KillTimer(nullptr, g_modal.timer);
    return g_modal.ran;
}

void MainDialogTest::SetUp() {
    std::filesystem::remove(IniPath());
}

void MainDialogTest::TearDown() {
    Close();
    std::filesystem::remove(IniPath());
}

void MainDialogTest::Open() {
    m_dialog = std::make_unique<CMainDlg>(m_shell);
    m_hWnd = m_dialog->Create(nullptr);
    ASSERT_NE(m_hWnd, nullptr);
    ShowWindow(m_hWnd, SW_SHOWNORMAL);
}

void MainDialogTest::Close() {
    if (m_dialog && m_dialog->Handle()) DestroyWindow(m_dialog->Handle());
    m_dialog.reset();
    TakeQuitMessage();
}

std::optional<int> MainDialogTest::Idle() {
    // Registered after the dialog, so it runs after the dialog's OnIdle.
    struct QuitAtIdle : frame::CIdleHandler {
        bool reached = false;
        void OnIdle() override {
            reached = true;
            PostQuitMessage(0);
        }
    } quit;
    frame::CMessageLoop* loop = frame::g_module.GetMessageLoop();
    loop->AddIdleHandler(&quit);
    const int exitCode = loop->Run();
    loop->RemoveIdleHandler(&quit);
    if (quit.reached) return std::nullopt;
    return exitCode;
}

}  // namespace vellum
