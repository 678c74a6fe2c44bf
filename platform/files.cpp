#include "platform/files.h"

#include <chrono>
#include <random>

#include "platform/paths.h"

namespace platform {

File::~File() {
    Close();
}

File::File(File&& other) noexcept : m_handle(other.m_handle) {
    other.m_handle = kInvalid;
}

File& File::operator=(File&& other) noexcept {
    if (this != &other) {
        Close();
        m_handle = other.m_handle;
        other.m_handle = kInvalid;
    }
    return *this;
}

std::u16string CreateTempFileBeside(std::u16string_view path, File& file) {
    static const char16_t kHex[] = u"0123456789abcdef";
    std::random_device device;
    std::mt19937_64 random(
        device() ^
        static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count()));
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::u16string name(FolderOf(path));
        name += u"~";
        std::uint64_t bits = random();
        for (int i = 0; i < 12; ++i, bits >>= 4) name += kHex[bits & 0xF];
        name += u".tmp";
        bool exists = false;
        file = File::CreateNew(name, &exists);
        if (file.IsOpen()) return name;
        if (!exists) break;
    }
    return {};
}

bool CreateFolders(std::u16string_view path) {
    if (KindOfPath(path) == PathKind::kFolder) return true;
    // Each folder on the way down, from the top. Those that exist already,
    // and prefixes that name no folder (a drive, a server), fail harmlessly:
    // only the last one's result counts.
    for (std::size_t i = 1; i < path.size(); ++i) {
        if (IsPathSeparator(path[i]) && !IsPathSeparator(path[i - 1]))
            CreateFolder(path.substr(0, i));
    }
    CreateFolder(path);
    return KindOfPath(path) == PathKind::kFolder;
}

}  // namespace platform
