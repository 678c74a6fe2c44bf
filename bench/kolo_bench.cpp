// The .kolo step and the runs around it, on skins that resemble real ones,
// measured side by side in one run; each figure is the median of the
// rounds (each round's times in brackets; the ratio of two processes at
// once also of the best rounds, which other work disturbs least).
//
// The skins are made here from files Debian packages ship (the bootstrap
// installs them), with ImageMagick:
//   - 16 image skins: a .pxa bundle of the phone-screen crops (480x800) of
//     one of gnome-backgrounds' wallpapers as JPEG (quality 90) and as PNG,
//     and 150 of adwaita-icon-theme's PNG icons of all sizes; about 1.1 MB,
//     nearly all of it compressed already.
//   - 8 bitmap skins: a .mbm of a wallpaper crop as an uncompressed 24-bit
//     bitmap and as an 8-bit palette bitmap, and 20 icons as 8-bit
//     bitmaps; about 1.6 MB that deflate shrinks.
//   - each with an XML layout of 10 to 100 KB: the iso-codes and xkb-data
//     XML files of that size, in turn.
//
// Measured:
//   - the .kolo step on the skins' packages: zlib at level 9 (the step
//     before libdeflate), libdeflate at 9 (now) and Info-ZIP's zip -9;
//   - mkkolo -j 1 and -j 2 on all skins, now and, given an earlier build's
//     programs folder (bench/build_before makes one), before;
//   - mkkolo -j 1 on the image skins against zip -9 on each skin's two files;
//   - the same on folders of 100, 500, 1,000 and 5,000 small skins (a 2 KB
//     layout, a 30 KB bundle): the time per skin and the peak memory, so
//     that a step that grows faster than the skins shows;
//   - with --before, the earlier programs beside both of these too;
//   - the dialog application's pipeline (a quill process per skin, then the
//     .kolo step) with the zlib and the libdeflate step.
//
// Usage: kolo_bench [--before FOLDER] [ROUNDS (3)]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <list>
#include <string>
#include <vector>

#include "bench/skins.h"
#include "pipeline/in_process_packer.h"
#include "pipeline/kolo.h"
#include "pipeline/pack_skin.h"
#include "pipeline/process_runner.h"
#include "pipeline/skin_jobs.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "platform/process.h"

namespace {

using Clock = std::chrono::steady_clock;
namespace fs = std::filesystem;
constexpr auto kMade = pipeline::KoloWriter::Result::kOk;

constexpr int kImageSkins = 16;
constexpr int kBitmapSkins = 8;
constexpr int kSmallSkinCounts[] = {100, 500, 1000, 5000};
// Not ImageMagick's wrappers that PATH may put first.
constexpr char kConvert[] = "/usr/bin/convert";

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

std::string Quoted(const fs::path& path) {
    return "'" + path.string() + "'";
}

void Run(const std::string& command) {
    if (std::system(command.c_str()) != 0) {
        std::fprintf(stderr, "failed: %s\n", command.c_str());
        std::exit(1);
    }
}

// The files of `folder` (and below) whose names end in `extension`, by
// path, of `min` to `max` bytes.
std::vector<fs::path> FilesOf(const fs::path& folder, const std::string& extension,
                              std::uintmax_t min = 0, std::uintmax_t max = UINTMAX_MAX) {
    std::vector<fs::path> files;
    if (!fs::is_directory(folder)) return files;
    for (const auto& item : fs::recursive_directory_iterator(folder)) {
        const fs::path& path = item.path();
        if (!item.is_regular_file() || path.extension() != extension) continue;
        const std::uintmax_t size = item.file_size();
        if (size >= min && size <= max) files.push_back(path);
    }
    std::sort(files.begin(), files.end());
    return files;
}

void Append(const fs::path& to, const std::vector<fs::path>& parts) {
    std::string command = "cat";
    for (const auto& part : parts) command += " " + Quoted(part);
    Run(command + " >> " + Quoted(to));
}

struct Corpus {
    std::list<std::u16string> all, images;  // .xml before its bundle
    std::vector<std::pair<fs::path, fs::path>> imageSkins;
};

Corpus MakeCorpus(const fs::path& folder) {
    fs::create_directories(folder / "parts");
    const auto wallpapers = FilesOf("/usr/share/backgrounds/gnome", ".webp", 100000);
    const auto icons = FilesOf("/usr/share/icons/Adwaita", ".png");
    std::vector<fs::path> layouts = FilesOf("/usr/share/xml/iso-codes", ".xml", 10000, 100000);
    for (const auto& xml : FilesOf("/usr/share/X11/xkb/rules", ".xml", 10000, 100000))
        layouts.push_back(xml);
    if (wallpapers.empty() || icons.size() < 100 || layouts.empty()) {
        std::fprintf(stderr, "the images and XML files are missing: run scripts/bootstrap\n");
        std::exit(1);
    }
    Corpus corpus;
    std::size_t icon = 0;
    const auto nextIcons = [&](std::size_t count) {
        std::vector<fs::path> some;
        for (std::size_t i = 0; i < count; ++i) some.push_back(icons[(icon += 37) % icons.size()]);
        return some;
    };
    for (int i = 0; i < kImageSkins + kBitmapSkins; ++i) {
        const bool image = i < kImageSkins;
        const std::string name = (image ? "image" : "bitmap") + std::to_string(i);
        const fs::path xml = folder / (name + ".xml");
        const fs::path bundle = folder / (name + (image ? ".pxa" : ".mbm"));
        fs::copy_file(layouts[i % layouts.size()], xml, fs::copy_options::overwrite_existing);
        // Another crop of another wallpaper for each skin.
        const std::string crop = Quoted(wallpapers[i % wallpapers.size()]) + " -resize " +
                                 std::to_string(1000 + 60 * i) + "x -gravity center -crop " +
                                 "480x800+" + std::to_string(7 * i) + "+0 +repage";
        const fs::path parts = folder / "parts" / name;
        if (image) {
            Run(std::string(kConvert) + " " + crop + " -quality 90 " + Quoted(parts) + ".jpg");
            Run(std::string(kConvert) + " " + crop + " " + Quoted(parts) + ".png");
            Append(bundle, {parts.string() + ".jpg", parts.string() + ".png"});
            Append(bundle, nextIcons(150));
        } else {
            Run(std::string(kConvert) + " " + crop + " -type TrueColor BMP3:" + Quoted(parts) +
                "-24.bmp");
            Run(std::string(kConvert) + " " + crop +
                " -colors 256 -type Palette BMP3:" + Quoted(parts) + "-8.bmp");
            std::string icons8 = std::string(kConvert);
            for (const auto& png : nextIcons(20)) icons8 += " " + Quoted(png);
            Run(icons8 +
                " -background white -alpha remove -colors 256 -type Palette +adjoin BMP3:" +
                Quoted(parts) + "-icon%02d.bmp");
            Append(bundle, FilesOf(parts.parent_path(), ".bmp"));
            for (const auto& bmp : FilesOf(parts.parent_path(), ".bmp")) fs::remove(bmp);
        }
        corpus.all.push_back(xml.u16string());
        corpus.all.push_back(bundle.u16string());
        if (image) {
            corpus.images.push_back(xml.u16string());
            corpus.images.push_back(bundle.u16string());
            corpus.imageSkins.emplace_back(xml, bundle);
        }
    }
    fs::remove_all(folder / "parts");
    return corpus;
}

// The most memory the command's process held, in KiB, as time(1) tells it.
std::uintmax_t PeakKilobytes(const std::string& command, const fs::path& report) {
    Run("/usr/bin/time -f %M -o " + Quoted(report) + " " + command + " >/dev/null 2>&1");
    std::uintmax_t kilobytes = 0;
    std::ifstream(report) >> kilobytes;
    return kilobytes;
}

std::uintmax_t FolderBytes(const fs::path& folder) {
    std::uintmax_t bytes = 0;
    for (const auto& item : fs::directory_iterator(folder)) bytes += item.file_size();
    return bytes;
}

// A contender: a run on fresh output, its bytes afterwards.
struct Contender {
    Contender(std::string n, std::function<void(const fs::path& out)> r)
        : name(std::move(n)), run(std::move(r)) {}
    std::string name;
    std::function<void(const fs::path& out)> run;
    std::vector<double> seconds{};
    std::uintmax_t bytes = 0;
};

void Measure(std::vector<Contender*> contenders, int rounds, const fs::path& out) {
    for (int round = 0; round < rounds; ++round) {
        for (std::size_t turn = 0; turn < contenders.size(); ++turn) {
            Contender& c = *contenders[(round + turn) % contenders.size()];
            fs::remove_all(out);
            fs::create_directories(out);
            const auto start = Clock::now();
            c.run(out);
            c.seconds.push_back(std::chrono::duration<double>(Clock::now() - start).count());
            c.bytes = FolderBytes(out);
        }
    }
    fs::remove_all(out);
}

void Print(const Contender& c) {
    std::printf("  %-30s %8.3f s %11ju bytes  [", c.name.c_str(), Median(c.seconds), c.bytes);
    for (double s : c.seconds) std::printf(" %.3f", s);
    std::printf(" ]\n");
}

double TimeRatio(const Contender& a, const Contender& b) {
    return Median(a.seconds) / Median(b.seconds);
}

// Of the best rounds, which other work on a shared machine disturbs least.
double BestTimeRatio(const Contender& a, const Contender& b) {
    return *std::min_element(a.seconds.begin(), a.seconds.end()) /
           *std::min_element(b.seconds.begin(), b.seconds.end());
}

double SizeRatio(const Contender& a, const Contender& b) {
    return static_cast<double>(a.bytes) / static_cast<double>(b.bytes);
}

}  // namespace

int main(int argc, char** argv) {
    std::string before;
    int rounds = 3;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--before" && i + 1 < argc) {
            before = argv[++i];
        } else {
            rounds = std::max(1, std::atoi(argv[i]));
        }
    }
    const fs::path work = bench::NewWorkFolder("kolo-bench");
    const Corpus corpus = MakeCorpus(work / "skins");
    const fs::path out = work / "out";

    // The packages, made once for the .kolo step.
    const fs::path paks = work / "paks";
    fs::create_directories(paks);
    pipeline::SkinJobMap jobs;
    pipeline::CollectSkinJobs(corpus.all, jobs);
    std::vector<fs::path> packages;
    jobs.ForEach([&](const pipeline::SkinJob& job) {
        pipeline::InProcessPacker packer;
        pipeline::PackSettings settings;
        settings.createKolo = false;
        settings.mbmFolder = (work / "mbm").u16string() + platform::kPathSeparator;
        fs::create_directories(work / "mbm");
        pipeline::PackSkin(packer, settings, paks.u16string(), job.strName, job.strFirstFile,
                           job.strSecondFile);
        packages.push_back(fs::path(pipeline::PakPathFor(paks.u16string(), job.strName)));
    });

    // The .kolo step: each package into an archive in the output folder.
    const auto koloStep = [&](std::uint64_t wholeBufferLimit) {
        return [&packages, wholeBufferLimit](const fs::path& folder) {
            pipeline::KoloOptions options;
            options.wholeBufferLimit = wholeBufferLimit;
            for (const auto& pak : packages) {
                const fs::path copy = folder / pak.filename();
                fs::create_hard_link(pak, copy);
                if (pipeline::MakeKoloPackage(copy.u16string(), true, options) != kMade)
                    std::exit(1);
            }
        };
    };
    Contender zlib{"zlib 9", koloStep(0)};
    Contender libdeflate{"libdeflate 9", koloStep(pipeline::kWholeBufferLimit)};
    Contender zip{"zip -9", [&](const fs::path& folder) {
                      for (const auto& pak : packages) {
                          Run("zip -9 -j -q " +
                              Quoted(folder / pak.filename().replace_extension(".zip")) + " " +
                              Quoted(pak));
                      }
                  }};
    Measure({&zlib, &libdeflate, &zip}, rounds, out);

    // mkkolo beside this program, or in the earlier build's folder.
    const auto mkkolo = [&](const std::u16string& program, const char16_t* workers,
                            const std::list<std::u16string>& files) {
        return [program, workers, &files](const fs::path& folder) {
            std::vector<std::u16string> args = {u"-q", u"-j", workers, u"-o", folder.u16string()};
            args.insert(args.end(), files.begin(), files.end());
            const auto result = platform::RunCollectingOutput(program, args);
            if (!result || result->exitStatus != 0) std::exit(1);
        };
    };
    const std::u16string now = platform::ProgramFileName(u"mkkolo");
    const std::u16string earlier = (fs::path(before) / "mkkolo").u16string();
    Contender now1{"mkkolo -j 1 now", mkkolo(now, u"1", corpus.all)};
    Contender now2{"mkkolo -j 2 now", mkkolo(now, u"2", corpus.all)};
    Contender before1{"mkkolo -j 1 before", mkkolo(earlier, u"1", corpus.all)};
    Contender before2{"mkkolo -j 2 before", mkkolo(earlier, u"2", corpus.all)};
    std::vector<Contender*> runs = {&now1, &now2};
    if (!before.empty()) runs.insert(runs.end(), {&before1, &before2});
    Measure(runs, rounds, out);

    Contender images{"mkkolo -j 1, image skins", mkkolo(now, u"1", corpus.images)};
    Contender imagesBefore{"mkkolo -j 1 before, image skins", mkkolo(earlier, u"1", corpus.images)};
    Contender zipImages{"zip -9 per image skin", [&](const fs::path& folder) {
                            for (const auto& [xml, bundle] : corpus.imageSkins) {
                                Run("zip -9 -j -q " +
                                    Quoted(folder / bundle.filename().replace_extension(".zip")) +
                                    " " + Quoted(xml) + " " + Quoted(bundle));
                            }
                        }};
    std::vector<Contender*> imageRuns = {&images, &zipImages};
    if (!before.empty()) imageRuns.push_back(&imagesBefore);
    Measure(imageRuns, rounds, out);

    // Small skins in folders of growing size, one folder at a time.
    struct ScaleRow {
        int skins;
        double mkkolo, zip, before;  // median seconds; before 0 without --before
        std::uintmax_t mkkoloPeak, zipPeak;
    };
    std::vector<ScaleRow> scale;
    for (const int count : kSmallSkinCounts) {
        const fs::path folder = work / "small";
        bench::WriteSmallSkins(folder, count);
        const std::list<std::u16string> paths = {folder.u16string()};
        Contender small{"mkkolo -j 1", mkkolo(now, u"1", paths)};
        Contender smallBefore{"mkkolo -j 1 before", mkkolo(earlier, u"1", paths)};
        const auto zipSkin = [&](int i, const fs::path& to) {
            const std::string name = "small" + std::to_string(i);
            return "zip -9 -j -q " + Quoted(to / (name + ".zip")) + " " +
                   Quoted(folder / (name + ".xml")) + " " + Quoted(folder / (name + ".pxa"));
        };
        Contender zipSmall{"zip -9 per skin", [&](const fs::path& to) {
                               for (int i = 0; i < count; ++i) Run(zipSkin(i, to));
                           }};
        std::vector<Contender*> smallRuns = {&small, &zipSmall};
        if (!before.empty()) smallRuns.push_back(&smallBefore);
        Measure(smallRuns, rounds, out);
        fs::create_directories(out);
        const fs::path report = work / "peak";
        scale.push_back({count, Median(small.seconds), Median(zipSmall.seconds),
                         before.empty() ? 0.0 : Median(smallBefore.seconds),
                         PeakKilobytes(Quoted(fs::path(platform::ProgramFolder() + now)) +
                                           " -q -j 1 -o " + Quoted(out) + " " + Quoted(folder),
                                       report),
                         PeakKilobytes(zipSkin(0, out), report)});
        fs::remove_all(out);
        fs::remove_all(folder);
    }

    // The dialog application's pipeline: a quill process per skin, then the
    // .kolo step.
    const auto pipeline = [&](std::uint64_t wholeBufferLimit) {
        return [&, wholeBufferLimit](const fs::path& folder) {
            pipeline::QuillProcessPacker quill;
            pipeline::PackSettings settings;
            settings.createKolo = false;
            settings.mbmFolder = (work / "mbm").u16string() + platform::kPathSeparator;
            pipeline::KoloOptions options;
            options.wholeBufferLimit = wholeBufferLimit;
            jobs.ForEach([&](const pipeline::SkinJob& job) {
                pipeline::PackSkin(quill, settings, folder.u16string(), job.strName,
                                   job.strFirstFile, job.strSecondFile);
                if (pipeline::MakeKoloPackage(pipeline::PakPathFor(folder.u16string(), job.strName),
                                              true, options) != kMade)
                    std::exit(1);
            });
        };
    };
    Contender pipelineBefore{"pipeline, zlib step", pipeline(0)};
    Contender pipelineNow{"pipeline, libdeflate step", pipeline(pipeline::kWholeBufferLimit)};
    Measure({&pipelineBefore, &pipelineNow}, rounds, out);
    const std::uintmax_t packageBytes = FolderBytes(paks);
    fs::remove_all(work);

    std::printf("%d image skins, %d bitmap skins: %ju bytes of packages; %d rounds, medians\n",
                kImageSkins, kBitmapSkins, packageBytes, rounds);
    std::printf(".kolo step on every package\n");
    for (const Contender* c : {&zlib, &libdeflate, &zip}) Print(*c);
    std::printf("  zlib 9 / libdeflate 9   time %.2f (target: at least 1.70), size %.4f\n",
                TimeRatio(zlib, libdeflate), SizeRatio(zlib, libdeflate));
    std::printf("  zip -9 / libdeflate 9   time %.2f (target: at least 2.50), size %.4f\n",
                TimeRatio(zip, libdeflate), SizeRatio(zip, libdeflate));
    std::printf("  (sizes: at least 1.0000, no larger than either)\n");
    std::printf("mkkolo on every skin\n");
    for (const Contender* c : runs) Print(*c);
    std::printf("  -j 1 / -j 2 now         %.2f, best rounds %.2f (target: at least 1.80)\n",
                TimeRatio(now1, now2), BestTimeRatio(now1, now2));
    if (!before.empty()) {
        std::printf("  before / now: -j 1 %.2f, -j 2 %.2f\n", TimeRatio(before1, now1),
                    TimeRatio(before2, now2));
    }
    std::printf("image skins\n");
    for (const Contender* c : imageRuns) Print(*c);
    std::printf(
        "  mkkolo -j 1 / zip -9    time %.2f (target: at most 0.50), size %.4f (target: at "
        "most 1.0000)\n",
        TimeRatio(images, zipImages), SizeRatio(images, zipImages));
    if (!before.empty()) {
        std::printf("  before: mkkolo -j 1 / zip -9 time %.2f, size %.4f\n",
                    TimeRatio(imagesBefore, zipImages), SizeRatio(imagesBefore, zipImages));
    }
    std::printf("small skins, folders of each size: time per skin, peak memory\n");
    std::printf("  %6s %12s %12s %6s %12s %12s", "skins", "mkkolo -j 1", "zip -9", "ratio",
                "mkkolo KiB", "zip -9 KiB");
    if (!before.empty()) std::printf(" %12s %6s", "before", "ratio");
    std::printf("\n");
    for (const ScaleRow& row : scale) {
        std::printf("  %6d %9.3f ms %9.3f ms %6.2f %12ju %12ju", row.skins,
                    1000 * row.mkkolo / row.skins, 1000 * row.zip / row.skins, row.mkkolo / row.zip,
                    row.mkkoloPeak, row.zipPeak);
        if (!before.empty()) {
            std::printf(" %9.3f ms %6.2f", 1000 * row.before / row.skins, row.before / row.zip);
        }
        std::printf("\n");
    }
    const auto perSkin = [&](int skins, double ScaleRow::*contender) {
        for (const ScaleRow& row : scale) {
            if (row.skins == skins) return row.*contender / skins;
        }
        return 0.0;
    };
    std::printf("  per skin at 5,000 / at 500: mkkolo %.2f (target: at most 1.20), zip -9 %.2f",
                perSkin(5000, &ScaleRow::mkkolo) / perSkin(500, &ScaleRow::mkkolo),
                perSkin(5000, &ScaleRow::zip) / perSkin(500, &ScaleRow::zip));
    if (!before.empty()) {
        std::printf(", before %.2f",
                    perSkin(5000, &ScaleRow::before) / perSkin(500, &ScaleRow::before));
    }
    std::printf("\n");
    std::printf("the dialog application's pipeline on every skin\n");
    for (const Contender* c : {&pipelineBefore, &pipelineNow}) Print(*c);
    std::printf("  zlib step / libdeflate step %.2f\n", TimeRatio(pipelineBefore, pipelineNow));
    return 0;
}
