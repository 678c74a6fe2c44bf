// vellum.exe: start-up and shut-down around the main dialog's message loop.
#include <windows.h>

#include <commctrl.h>
#include <objbase.h>

#include "vellum/frame/app_module.h"
#include "vellum/frame/message_loop.h"
#include "vellum/frame/win32_shell.h"
#include "vellum/main_dlg.h"

namespace {

int Run(int show) {
    vellum::frame::CMessageLoop loop;
    vellum::frame::g_module.AddMessageLoop(&loop);
    int result = 0;
    {
        vellum::frame::CWin32Shell shell;
        vellum::CMainDlg dialog(shell);
        // If the dialog cannot be created, the program ends quietly.
        if (dialog.Create(nullptr)) {
            ShowWindow(dialog.Handle(), show);
            result = loop.Run();
        }
    }
    vellum::frame::g_module.RemoveMessageLoop();
    return result;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int show) {
    // The folder chooser needs COM on this thread; the results are not
    // checked, as the dialog works without either.
    CoInitialize(nullptr);
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&controls);
    vellum::frame::g_module.Init(instance);
    const int result = Run(show);
    vellum::frame::g_module.Term();
    CoUninitialize();
    return result;
}
