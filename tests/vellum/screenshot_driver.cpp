// vellum_shots.exe: opens vellum's dialogs one after the other, as a user
// would see them, for scripts/screenshot. For each picture it prints a line
// "name left top width height" (screen pixels) and waits for a line on its
// input, which the script sends once it has taken the picture.
#include <windows.h>

#include <commctrl.h>
#include <objbase.h>

#include <cstdio>
#include <string>
#include <vector>

#include "tests/vellum/drop_files.h"
#include "vellum/frame/app_module.h"
#include "vellum/frame/message_loop.h"
#include "vellum/frame/win32_shell.h"
#include "vellum/main_dlg.h"

namespace vellum {
namespace {

// Lets the windows finish painting.
void Settle() {
    for (int i = 0; i < 10; ++i) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        Sleep(50);
    }
}

void Shot(const char* name, HWND window) {
    SetForegroundWindow(window);
    Settle();
    RECT rect{};
    GetWindowRect(window, &rect);
    std::printf("%s %ld %ld %ld %ld\n", name, rect.left, rect.top, rect.right - rect.left,
                rect.bottom - rect.top);
    std::fflush(stdout);
    char answer[16];
    std::fgets(answer, sizeof answer, stdin);
}

// The modal window a command opens is pictured from a timer, which its modal
// loop dispatches, and then closed.
const char* g_modalName = nullptr;
HWND g_main = nullptr;

BOOL CALLBACK FindModal(HWND window, LPARAM lParam) {
    wchar_t className[16] = {};
    GetClassNameW(window, className, 16);
    if (window == g_main || !IsWindowVisible(window) || std::wstring(className) != L"#32770")
        return TRUE;
    *reinterpret_cast<HWND*>(lParam) = window;
    return FALSE;
}

void CALLBACK OnModalTimer(HWND, UINT, UINT_PTR timer, DWORD) {
    HWND modal = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), FindModal, reinterpret_cast<LPARAM>(&modal));
    if (!modal) return;
    KillTimer(nullptr, timer);
    Shot(g_modalName, modal);
    PostMessageW(modal, WM_COMMAND, IDCANCEL, 0);
    PostMessageW(modal, WM_COMMAND, IDOK, 0);
}

void ShotOfModal(const char* name, UINT command) {
    g_modalName = name;
    SetTimer(nullptr, 0, 100, OnModalTimer);
    SendMessageW(g_main, WM_COMMAND, command, 0);
}

// Skin files of our own making in `folder`, as a user would collect them:
// two complete skins (one with an .mbm) and a layout without its images.
std::vector<std::wstring> MakeSkins(const std::wstring& folder) {
    CreateDirectoryW(folder.c_str(), nullptr);
    CreateDirectoryW((folder + L"\\输出").c_str(), nullptr);
    const struct {
        const wchar_t* name;
        size_t size;
    } files[] = {{L"夜曲.xml", 1860},
                 {L"夜曲.pxa", 48712},
                 {L"晨光.xml", 2048},
                 {L"晨光.mbm", 96512},
                 {L"单独.xml", 512}};
    std::vector<std::wstring> paths;
    for (const auto& file : files) {
        paths.push_back(folder + L"\\" + file.name);
        const HANDLE handle = CreateFileW(paths.back().c_str(), GENERIC_WRITE, 0, nullptr,
                                          CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        const std::string bytes(file.size, 'k');
        DWORD written = 0;
        WriteFile(handle, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
        CloseHandle(handle);
    }
    return paths;
}

// Every picture, from the real dialogs.
int TakeShots() {
    CoInitialize(nullptr);
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&controls);
    frame::g_module.Init(GetModuleHandleW(nullptr));
    frame::CMessageLoop loop;
    frame::g_module.AddMessageLoop(&loop);
    {
        frame::CWin32Shell shell;
        CMainDlg dialog(shell);
        g_main = dialog.Create(nullptr);
        if (!g_main) return 1;
        ShowWindow(g_main, SW_SHOWNORMAL);
        loop.OnIdle();
        Shot("main-empty", g_main);

        // Real files, dropped as the shell drops them, then a real pack run
        // with the quill.exe beside this program.
        const auto skins = MakeSkins(L"C:\\皮肤");
        SendMessageW(g_main, WM_DROPFILES, reinterpret_cast<WPARAM>(MakeDrop(skins)), 0);
        loop.OnIdle();
        Shot("main-rows", g_main);
        SendMessageW(g_main, WM_COMMAND, IDC_GENERATE, 0);
        Shot("main-packed", g_main);

        RECT rect{};
        GetWindowRect(g_main, &rect);
        SetWindowPos(g_main, nullptr, 0, 0, rect.right - rect.left + 200,
                     rect.bottom - rect.top + 120, SWP_NOMOVE | SWP_NOZORDER);
        Shot("main-resized", g_main);
        SetWindowPos(g_main, nullptr, 0, 0, rect.right - rect.left, rect.bottom - rect.top,
                     SWP_NOMOVE | SWP_NOZORDER);

        ShotOfModal("settings", ID_EDIT_SETTINGS);
        ShotOfModal("about", ID_APP_ABOUT);
        ShotOfModal("help", ID_HELP);
        DestroyWindow(g_main);
    }
    frame::g_module.RemoveMessageLoop();
    frame::g_module.Term();
    CoUninitialize();
    return 0;
}

}  // namespace
}  // namespace vellum

int main() {
    return vellum::TakeShots();
}
