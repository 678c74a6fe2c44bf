// A pack run as the dialog application makes it, measured step by step:
// 20 skins of about 2 MB, each packed by a quill process and wrapped into a
// .kolo. Prints the share of the time spent in the packer processes, in the
// .kolo step (deflate) and elsewhere, and the .kolo step's time and size
// next to Info-ZIP's `zip -9` on the same .pak files, measured in the same
// run.
//
// Usage: pack_run [SKINS (20)] [ROUNDS (3)]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <list>
#include <string>
#include <vector>

#include "bench/skins.h"
#include "pipeline/kolo.h"
#include "pipeline/pack_skin.h"
#include "pipeline/process_runner.h"
#include "pipeline/skin_jobs.h"
#include "platform/files.h"

namespace {

using Clock = std::chrono::steady_clock;
namespace fs = std::filesystem;

double Seconds(Clock::duration d) {
    return std::chrono::duration<double>(d).count();
}

// Times the packer processes.
class TimedPacker : public pipeline::Packer {
  public:
    pipeline::PackerRun Pack(std::u16string_view pak, std::u16string_view first,
                             std::u16string_view second) override {
        const auto start = Clock::now();
        pipeline::PackerRun run = m_packer.Pack(pak, first, second);
        elapsed += Clock::now() - start;
        return run;
    }
    Clock::duration elapsed{};

  private:
    pipeline::QuillProcessPacker m_packer;
};

}  // namespace

int main(int argc, char** argv) {
    const int skins = argc > 1 ? std::atoi(argv[1]) : 20;
    const int rounds = argc > 2 ? std::atoi(argv[2]) : 3;
    const fs::path work = bench::NewWorkFolder("pack-run-bench");
    fs::create_directories(work / "out");
    const std::list<std::u16string> files = bench::WriteSkins(work / "skins", skins);

    double total = 0, packer = 0, kolo = 0, zip = 0;
    std::uintmax_t koloBytes = 0, zipBytes = 0;
    for (int round = 0; round < rounds; ++round) {
        const auto start = Clock::now();
        pipeline::SkinJobMap jobs;
        pipeline::CollectSkinJobs(files, jobs);
        TimedPacker timed;
        Clock::duration koloTime{};
        std::vector<fs::path> paks;
        jobs.ForEach([&](const pipeline::SkinJob& job) {
            // The run's own steps, with the .kolo step timed on its own.
            pipeline::PackSettings settings;
            settings.createKolo = false;
            settings.mbmFolder = platform::TempFolder();
            pipeline::PackSkin(timed, settings, (work / "out").u16string(), job.strName,
                               job.strFirstFile, job.strSecondFile);
            const std::u16string pak =
                pipeline::PakPathFor((work / "out").u16string(), job.strName);
            const auto koloStart = Clock::now();
            pipeline::MakeKoloPackage(pak, false);
            koloTime += Clock::now() - koloStart;
            paks.emplace_back(pak);
        });
        total += Seconds(Clock::now() - start);
        packer += Seconds(timed.elapsed);
        kolo += Seconds(koloTime);

        koloBytes = zipBytes = 0;
        const auto zipStart = Clock::now();
        for (const auto& pak : paks) {
            const fs::path archive = fs::path(pak).replace_extension(".zip");
            const std::string command =
                "zip -9 -j -q '" + archive.string() + "' '" + pak.string() + "'";
            if (std::system(command.c_str()) != 0) {
                std::fprintf(stderr, "zip failed\n");
                return 1;
            }
        }
        zip += Seconds(Clock::now() - zipStart);
        for (const auto& pak : paks) {
            koloBytes += fs::file_size(fs::path(pak).replace_extension(".kolo"));
            zipBytes += fs::file_size(fs::path(pak).replace_extension(".zip"));
            fs::remove(fs::path(pak).replace_extension(".zip"));
            fs::remove(fs::path(pak).replace_extension(".kolo"));
            fs::remove(pak);
        }
    }
    fs::remove_all(work);

    std::printf("%d skins of about 2 MB, %d rounds\n", skins, rounds);
    std::printf("pack run            %8.3f s per round\n", total / rounds);
    std::printf("  packer processes  %5.1f %%\n", 100 * packer / total);
    std::printf("  .kolo (deflate)   %5.1f %%\n", 100 * kolo / total);
    std::printf("  elsewhere         %5.1f %%\n", 100 * (total - packer - kolo) / total);
    std::printf(".kolo step / zip -9: time %.2f, size %.4f (%ju / %ju bytes)\n", kolo / zip,
                static_cast<double>(koloBytes) / static_cast<double>(zipBytes), koloBytes,
                zipBytes);
    return 0;
}
