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

}  // namespace platform
