#include "vellum/settings.h"

#include <windows.h>

#include <shlwapi.h>

#include "platform/scoped_handle_win32.h"

namespace vellum {
namespace {

constexpr wchar_t kSection[] = L"Configure";
constexpr wchar_t kOutputDirectoryKey[] = L"OutputDirectory";
constexpr wchar_t kCreateKoloKey[] = L"CreateKOLO";
constexpr wchar_t kOutputDirPromptKey[] = L"OutputDirPrompt";

// The path of vellum.ini: beside the executable, wherever it runs from.
std::wstring SettingsPath() {
    wchar_t folder[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, folder, MAX_PATH);
    PathRemoveFileSpecW(folder);
    PathAddBackslashW(folder);
    const std::wstring path = std::wstring(folder) + L"vellum.ini";
    OutputDebugStringW(path.c_str());
    return path;
}

// The private-profile functions write a file they create in the ANSI code
// page, which cannot hold every folder name; a file that starts as UTF-16
// with its byte-order mark is kept in UTF-16. An existing file is left in
// whatever encoding it has.
void CreateUtf16FileIfMissing(const std::wstring& path) {
    const platform::ScopedHandle file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr,
                                                  CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return;
    static const unsigned char kByteOrderMark[] = {0xFF, 0xFE};
    DWORD written = 0;
    WriteFile(file.get(), kByteOrderMark, sizeof kByteOrderMark, &written, nullptr);
}

}  // namespace

Settings Settings::Load() {
    const std::wstring path = SettingsPath();
    Settings settings;
    wchar_t folder[MAX_PATH] = {};  // a longer stored value is cut to MAX_PATH - 1
    GetPrivateProfileStringW(kSection, kOutputDirectoryKey, L"", folder, MAX_PATH, path.c_str());
    settings.strOutputDir = folder;
    settings.bOutputDirPrompt = static_cast<std::int32_t>(
        GetPrivateProfileIntW(kSection, kOutputDirPromptKey, 1, path.c_str()));
    // Packages are always wrapped: a stored CreateKOLO of 0 does not switch
    // that off, and the next save writes 1.
    settings.bCreateKolo = 1;
    return settings;
}

void Settings::Save() const {
    const std::wstring path = SettingsPath();
    CreateUtf16FileIfMissing(path);
    WritePrivateProfileStringW(kSection, kOutputDirectoryKey, strOutputDir.c_str(), path.c_str());
    WritePrivateProfileStringW(kSection, kCreateKoloKey, std::to_wstring(bCreateKolo).c_str(),
                               path.c_str());
    WritePrivateProfileStringW(kSection, kOutputDirPromptKey,
                               std::to_wstring(bOutputDirPrompt).c_str(), path.c_str());
}

}  // namespace vellum
