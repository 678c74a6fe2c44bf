#include "tests/vellum/drop_files.h"

#include <shlobj.h>
#include <cstring>

namespace vellum {

HDROP MakeDrop(const std::vector<std::wstring>& paths) {
    std::wstring list;
    for (const auto& path : paths) list += path + L'\0';
    list += L'\0';
    const size_t size = sizeof(DROPFILES) + list.size() * sizeof(wchar_t);
    const HGLOBAL memory = GlobalAlloc(GHND, size);
    auto* drop = static_cast<DROPFILES*>(GlobalLock(memory));
    drop->pFiles = sizeof(DROPFILES);
    drop->fWide = TRUE;
    std::memcpy(reinterpret_cast<char*>(drop) + sizeof(DROPFILES), list.data(),
                list.size() * sizeof(wchar_t));
    GlobalUnlock(memory);
    return static_cast<HDROP>(memory);
}

}  // namespace vellum
