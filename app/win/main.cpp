// vellum.exe: start-up and shut-down around the main dialog's message loop.
#include <windows.h>

#include <commctrl.h>
#include <objbase.h>

#include "app/win/app_module.h"
#include "app/win/main_dlg.h"
#include "app/win/message_loop.h"
#include "app/win/win32_shell.h"

namespace {

int Run(int show) {
    CMessageLoop loop;
    g_module.AddMessageLoop(&loop);
    int result = 0;
    {
        CWin32Shell shell;
        CMainDlg dialog(shell);
        // If the dialog cannot be created, the program ends quietly.
        if (dialog.Create(nullptr)) {
            ShowWindow(dialog.Handle(), show);
            result = loop.Run();
        }
    }
    g_module.RemoveMessageLoop();
    return result;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int show) {
    // The folder chooser needs COM on this thread; the results are not
    // checked, as the dialog works without either.
    CoInitialize(nullptr);
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&controls);
    g_module.Init(instance);
    const int result = Run(show);
    g_module.Term();
    CoUninitialize();
    return result;
}
