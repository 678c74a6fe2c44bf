#include "bench/skins.h"

#include <fstream>
#include <random>

namespace bench {
namespace {

// Image-like bytes: runs of repeated pixels with noise between them, so
// deflate has real work and finds something to save.
std::string ImageBundle(std::size_t size, unsigned seed) {
    std::mt19937 random(seed);
    std::string bytes;
    bytes.reserve(size);
    while (bytes.size() < size) {
        const auto pixel = static_cast<char>(random() & 0xFF);
        bytes.append(random() % 48, pixel);
        for (int i = random() % 32; i > 0; --i) bytes.push_back(static_cast<char>(random() & 0xFF));
    }
    bytes.resize(size);
    return bytes;
}

void Write(const std::filesystem::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary)
        .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

}  // namespace

std::filesystem::path NewWorkFolder(const std::string& name) {
    const std::filesystem::path folder = std::filesystem::temp_directory_path() /
                                         (name + "-" + std::to_string(std::random_device()()));
    std::filesystem::create_directories(folder);
    return folder;
}

std::list<std::u16string> WriteSkins(const std::filesystem::path& folder, int count) {
    std::filesystem::create_directories(folder);
    std::list<std::u16string> files;
    for (int i = 0; i < count; ++i) {
        const std::string name = "skin" + std::to_string(i);
        Write(folder / (name + ".xml"), std::string(20000, 'x') + name);
        Write(folder / (name + ".pxa"), ImageBundle(2'000'000, static_cast<unsigned>(i)));
        files.push_back((folder / (name + ".xml")).u16string());
        files.push_back((folder / (name + ".pxa")).u16string());
    }
    return files;
}

void WriteSmallSkins(const std::filesystem::path& folder, int count) {
    std::filesystem::create_directories(folder);
    for (int i = 0; i < count; ++i) {
        const std::string name = "small" + std::to_string(i);
        std::string layout = "<skin name=\"" + name + "\">";
        while (layout.size() < 2000) layout += "<button image=\"0,0,32,32\"/>";
        Write(folder / (name + ".xml"), layout + "</skin>");
        Write(folder / (name + ".pxa"), ImageBundle(30'000, static_cast<unsigned>(i)));
    }
}

}  // namespace bench
