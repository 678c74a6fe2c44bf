#include "vellum/frame/win32_shell.h"

#include <shlobj.h>

#include "platform/process.h"
#include "platform/scoped_handle_win32.h"
#include "platform/wide.h"

namespace vellum::frame {

namespace {

// Only folders with a file-system path (BIF_RETURNONLYFSDIRS), a box to type a
// path into (BIF_EDITBOX), the resizable chooser (BIF_NEWDIALOGSTYLE).
constexpr UINT kChooserFlags = 0x51;
static_assert(kChooserFlags == (BIF_RETURNONLYFSDIRS | BIF_EDITBOX | BIF_NEWDIALOGSTYLE));

}  // namespace

bool CWin32Shell::ChooseFolder(HWND owner, std::wstring& folder) {
    wchar_t displayName[MAX_PATH] = {};
    BROWSEINFOW info{};
    info.hwndOwner = owner;
    info.pszDisplayName = displayName;
    info.lpszTitle = L"请选择输出目录";
    info.ulFlags = kChooserFlags;
    PIDLIST_ABSOLUTE item = SHBrowseForFolderW(&info);
    if (!item) return false;

    wchar_t path[MAX_PATH] = {};
    const bool hasPath = SHGetPathFromIDListW(item, path);
    IMalloc* allocator = nullptr;
    if (FAILED(SHGetMalloc(&allocator)) || !allocator) return false;
    allocator->Free(item);
    allocator->Release();
    if (!hasPath) return false;
    folder = path;
    return true;
}

bool CWin32Shell::ChooseFiles(OPENFILENAMEW& dialog) {
    return ::GetOpenFileNameW(&dialog) != FALSE;
}

int CWin32Shell::ShowMessageBox(HWND owner, const std::wstring& text, const std::wstring& caption,
                                UINT type) {
    return MessageBoxW(owner, text.c_str(), caption.c_str(), type);
}

void CWin32Shell::TrackPopupMenu(HMENU menu, UINT flags, POINT screenPoint, HWND owner) {
    ::TrackPopupMenu(menu, flags, screenPoint.x, screenPoint.y, 0, owner, nullptr);
}

void CWin32Shell::StartProgram(const std::wstring& program, const std::vector<std::wstring>& args) {
    std::vector<std::u16string> arguments;
    for (const std::wstring& arg : args) arguments.push_back(platform::FromWide(arg));
    // Nothing is expected back: the program runs on by itself.
    platform::Process::Start(platform::FromWide(program), arguments);
}

}  // namespace vellum::frame
