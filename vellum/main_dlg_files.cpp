// The skin file list: files arrive through the open-file dialog or by being
// dropped on the dialog, each once, as a row with its full path and size;
// selected rows can be deleted and the list cleared.
#include <windows.h>

#include <commctrl.h>
#include <shellapi.h>
#include <shlwapi.h>

#include "platform/paths.h"
#include "platform/scoped_handle_win32.h"
#include "platform/text.h"
#include "platform/wide.h"
#include "vellum/main_dlg.h"

namespace vellum {

namespace {

// The open-file dialog's selection: room for 80 paths of 260 characters.
constexpr DWORD kSelectionCapacity = 80 * MAX_PATH;
constexpr wchar_t kSkinFilter[] = L"Zafra皮肤文件(*.mbm;*.pxa;*.xml)\0*.mbm;*.pxa;*.xml\0";
// Explorer-style, several files, an existing folder, the current folder
// left as it was.
constexpr DWORD kOpenFlags =
    OFN_EXPLORER | OFN_ALLOWMULTISELECT | OFN_PATHMUSTEXIST | OFN_NOCHANGEDIR;
static_assert(kOpenFlags == 0x80A08);

bool IsSkinFileExtension(const wchar_t* extension) {
    for (const wchar_t* accepted : {L".pxa", L".xml", L".mbm"}) {
        if (lstrcmpiW(extension, accepted) == 0) return true;
    }
    return false;
}

}  // namespace

LRESULT CMainDlg::OnAddFiles(WPARAM, LPARAM) {
    std::wstring selection(kSelectionCapacity, L'\0');
    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = m_hWnd;
    dialog.lpstrFilter = kSkinFilter;
    dialog.nFilterIndex = 0;
    dialog.lpstrFile = selection.data();
    dialog.nMaxFile = kSelectionCapacity;
    dialog.Flags = kOpenFlags;
    if (!m_shell.ChooseFiles(dialog)) return 0;

    // One file: the buffer holds its full path and the offset points at its
    // name. Several: the folder, then the names, each ending in a NUL.
    std::wstring folder =
        selection.substr(0, dialog.nFileOffset > 0 ? dialog.nFileOffset - 1u : 0u);
    if (folder.empty() || folder.back() != L'\\') folder += L'\\';
    for (const wchar_t* name = selection.c_str() + dialog.nFileOffset; *name;
         name += wcslen(name) + 1) {
        AddSkinFile(folder + name);
    }
    return 0;
}

LRESULT CMainDlg::OnDropFiles(WPARAM wParam, LPARAM) {
    const auto drop = reinterpret_cast<HDROP>(wParam);
    const UINT count = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
    for (UINT i = 0; i < count; ++i) {
        // Sized by asking first, so no dropped path is cut short.
        std::wstring name(DragQueryFileW(drop, i, nullptr, 0), L'\0');
        if (name.empty() ||
            DragQueryFileW(drop, i, name.data(), static_cast<UINT>(name.size() + 1)) == 0) {
            continue;
        }
        // Folders and other files are passed over without a word.
        if (IsSkinFileExtension(PathFindExtensionW(name.c_str()))) AddSkinFile(name);
    }
    DragFinish(drop);
    return 0;
}

void CMainDlg::AddSkinFile(const std::wstring& path) {
    // Only a new row adds to the files: the rows and the files the pack run
    // sees stay the same.
    if (AddFileRow(path) == RowResult::kInserted) m_listFiles.push_back(platform::FromWide(path));
}

CMainDlg::RowResult CMainDlg::AddFileRow(const std::wstring& path) {
    if (FindFileRow(path) != -1) return RowResult::kExisting;
    // Read access is all measuring takes, so read-only files get their row.
    const platform::ScopedHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ,
                                                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                                                  nullptr));
    LARGE_INTEGER size{};
    if (!file || !GetFileSizeEx(file.get(), &size)) return RowResult::kFailed;
    const std::wstring sizeText = platform::Wide(platform::ToDecimal(size.QuadPart)) + L" 字节";

    LVITEMW item{};
    item.mask = LVIF_TEXT;
    item.iItem = static_cast<int>(SendMessageW(m_wndList, LVM_GETITEMCOUNT, 0, 0));
    item.pszText = const_cast<wchar_t*>(L"");
    const int row = static_cast<int>(
        SendMessageW(m_wndList, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)));
    item.iItem = row;
    item.pszText = const_cast<wchar_t*>(path.c_str());
    SendMessageW(m_wndList, LVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&item));
    item.iSubItem = 1;
    item.pszText = const_cast<wchar_t*>(sizeText.c_str());
    SendMessageW(m_wndList, LVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&item));
    return RowResult::kInserted;
}

int CMainDlg::FindFileRow(const std::wstring& path) const {
    const int count = static_cast<int>(SendMessageW(m_wndList, LVM_GETITEMCOUNT, 0, 0));
    for (int row = 0; row < count; ++row) {
        if (lstrcmpW(RowPath(row).c_str(), path.c_str()) == 0) return row;
    }
    return -1;
}

std::wstring CMainDlg::RowPath(int row) const {
    // Read with room for 512 characters, and more while the text fills it.
    for (size_t capacity = 512;; capacity *= 2) {
        std::wstring text(capacity, L'\0');
        LVITEMW item{};
        item.iSubItem = 0;
        item.pszText = text.data();
        item.cchTextMax = static_cast<int>(capacity);
        const auto copied =
            static_cast<size_t>(SendMessageW(m_wndList, LVM_GETITEMTEXTW, static_cast<WPARAM>(row),
                                             reinterpret_cast<LPARAM>(&item)));
        if (copied + 1 < capacity) return text.substr(0, copied);
    }
}

LRESULT CMainDlg::OnDeleteFiles(WPARAM, LPARAM) {
    const int selected = static_cast<int>(SendMessageW(m_wndList, LVM_GETSELECTEDCOUNT, 0, 0));
    for (int i = 0; i < selected; ++i) {
        const int row = static_cast<int>(SendMessageW(
            m_wndList, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), MAKELPARAM(LVNI_SELECTED, 0)));
        if (row == -1) continue;
        const std::u16string path = platform::FromWide(RowPath(row));
        for (auto it = m_listFiles.begin(); it != m_listFiles.end(); ++it) {
            if (*it == path) {
                m_listFiles.erase(it);
                break;
            }
        }
        m_mapSkinJobs.Remove(platform::SkinFileName(path));
        SendMessageW(m_wndList, LVM_DELETEITEM, static_cast<WPARAM>(row), 0);
    }
    return 0;
}

LRESULT CMainDlg::OnClearList(WPARAM, LPARAM) {
    SendMessageW(m_wndList, LVM_DELETEALLITEMS, 0, 0);
    m_listFiles.clear();
    m_mapSkinJobs.RemoveAll();
    return 0;
}

}  // namespace vellum
