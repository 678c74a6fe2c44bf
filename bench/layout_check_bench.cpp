// What checking a layout costs beside reading it: a skin layout of 1 MiB
// (buttons and texts with Chinese words), in UTF-8 and in GB18030, read in
// the package's 1 MiB pieces
//   - alone, into a sink that keeps nothing;
//   - into the layout check, as a pack run will feed it.
// Each round reads the three in turn; the figures are the best rounds'
// times, which other work on a shared machine disturbs least, and their
// ratios to reading alone.
//
// Usage: layout_check_bench [ROUNDS (20)]
#include <iconv.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>

#include "bench/skins.h"
#include "pipeline/skin_checks.h"
#include "platform/files.h"

namespace {

using Clock = std::chrono::steady_clock;
namespace fs = std::filesystem;

// A skin layout of about `size` bytes in UTF-8, declared as `encoding`.
std::string Layout(std::size_t size, const char* encoding) {
    std::string xml = std::string("<?xml version=\"1.0\" encoding=\"") + encoding +
                      "\"?>\n<skin name=\"夜曲\" version=\"4\" images=\"night.pxa\">\n";
    for (int i = 0; xml.size() < size; ++i) {
        const std::string n = std::to_string(i);
        xml += "  <window id=\"w" + n + "\" width=\"240\" height=\"320\" background=\"0,0\">\n";
        xml += "    <button id=\"play" + n + "\" x=\"" + std::to_string(i % 240) +
               "\" y=\"40\" image=\"12,0,32,32\" tip=\"播放第 " + n + " 首歌\"/>\n";
        xml += "    <text id=\"title" + n + "\" font=\"宋体\" size=\"12\">曲名与歌手 " + n +
               "</text>\n  </window>\n";
    }
    return xml + "</skin>\n";
}

std::string ToGb18030(const std::string& utf8) {
    const iconv_t to = iconv_open("GB18030", "UTF-8");
    std::string out(utf8.size() * 2, '\0');
    char* in = const_cast<char*>(utf8.data());
    char* at = out.data();
    std::size_t inLeft = utf8.size(), outLeft = out.size();
    iconv(to, &in, &inLeft, &at, &outLeft);
    iconv_close(to);
    out.resize(static_cast<std::size_t>(at - out.data()));
    return out;
}

void Write(const fs::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary)
        .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// Reads the file in the package's pieces into `sink`; the seconds it took.
double Read(const fs::path& path, const platform::ByteSink& sink) {
    const auto start = Clock::now();
    platform::ErrorOr<platform::File> file = platform::File::OpenForReading(path.u16string());
    const auto copied = file ? platform::CopyStream(*file, std::nullopt, sink) : file.error();
    if (!copied || *copied != platform::CopyResult::kOk) {
        std::fprintf(stderr, "cannot read %s\n", path.c_str());
        std::exit(1);
    }
    return std::chrono::duration<double>(Clock::now() - start).count();
}

double Checked(const fs::path& path) {
    pipeline::LayoutCheck check;
    const double seconds = Read(path, [&](const void* data, std::size_t size) {
        check.Feed(std::string_view(static_cast<const char*>(data), size));
        return true;
    });
    const auto start = Clock::now();
    if (!check.Finish().wellFormed) {
        std::fprintf(stderr, "%s is not well-formed\n", path.c_str());
        std::exit(1);
    }
    return seconds + std::chrono::duration<double>(Clock::now() - start).count();
}

}  // namespace

int main(int argc, char** argv) {
    const int rounds = argc > 1 ? std::atoi(argv[1]) : 20;
    const fs::path work = bench::NewWorkFolder("layout-check-bench");
    const fs::path utf8 = work / "utf8.xml", gb18030 = work / "gb18030.xml";
    Write(utf8, Layout(1 << 20, "UTF-8"));
    Write(gb18030, ToGb18030(Layout(1 << 20, "GB18030")));

    struct Row {
        const char* encoding;
        fs::path path;
        double read = 1e9, checked = 1e9;
    } rows[] = {{"UTF-8", utf8}, {"GB18030", gb18030}};
    for (int round = 0; round < rounds; ++round) {
        for (Row& row : rows) {
            row.read =
                std::min(row.read, Read(row.path, [](const void*, std::size_t) { return true; }));
            row.checked = std::min(row.checked, Checked(row.path));
        }
    }
    std::printf(
        "best of %d rounds   size (MiB)   reading (ms)   reading and checking (ms, MiB/s)   x "
        "reading\n",
        rounds);
    for (const Row& row : rows) {
        const double mib = static_cast<double>(fs::file_size(row.path)) / 1048576.0;
        std::printf("%-18s %11.2f %14.2f %16.2f %8.0f %18.1f\n", row.encoding, mib, row.read * 1000,
                    row.checked * 1000, mib / row.checked, row.checked / row.read);
    }
    fs::remove_all(work);
}
