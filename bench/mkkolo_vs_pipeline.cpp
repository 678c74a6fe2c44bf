// mkkolo against the dialog application's pipeline, measured side by side:
// 20 skins of about 2 MB, packed into .kolo files
//   - by the pipeline, one quill process per skin (PackSkin with the
//     process packer), as the dialog application packs them;
//   - by mkkolo with one worker and with two.
// Each round runs the three in turn, in a rotating order. The ratios come
// from the medians of the rounds, and from the best rounds, which other work
// on a shared machine disturbs least.
//
// Usage: mkkolo_vs_pipeline [SKINS (20)] [ROUNDS (5)]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "bench/skins.h"
#include "pipeline/pack_skin.h"
#include "pipeline/process_runner.h"
#include "pipeline/skin_jobs.h"
#include "platform/files.h"
#include "platform/process.h"

namespace {

using Clock = std::chrono::steady_clock;
namespace fs = std::filesystem;

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    const int skins = argc > 1 ? std::atoi(argv[1]) : 20;
    const int rounds = argc > 2 ? std::atoi(argv[2]) : 5;
    const fs::path work = bench::NewWorkFolder("mkkolo-bench");
    const std::list<std::u16string> files = bench::WriteSkins(work / "skins", skins);
    const std::u16string out = (work / "out").u16string();

    auto pipeline = [&] {
        pipeline::SkinJobMap jobs;
        pipeline::CollectSkinJobs(files, jobs);
        pipeline::QuillProcessPacker packer;
        pipeline::PackSettings settings;
        settings.mbmFolder = platform::TempFolder();
        jobs.ForEach([&](const pipeline::SkinJob& job) {
            pipeline::PackSkin(packer, settings, out, job.strName, job.strFirstFile,
                               job.strSecondFile);
        });
        return true;
    };
    // mkkolo beside this program, on the same files in the same order.
    auto mkkolo = [&](const char16_t* workers) {
        std::vector<std::u16string> args = {u"-q", u"-j", workers, u"-o", out};
        args.insert(args.end(), files.begin(), files.end());
        return [args] {
            return platform::RunCollectingOutput(platform::ProgramFileName(u"mkkolo"), args)
                .has_value();
        };
    };
    const struct {
        const char* name;
        std::function<bool()> run;
    } contenders[] = {
        {"pipeline", pipeline}, {"mkkolo -j 1", mkkolo(u"1")}, {"mkkolo -j 2", mkkolo(u"2")}};
    constexpr int kContenders = 3;

    std::vector<double> seconds[kContenders];
    for (int round = 0; round < rounds; ++round) {
        for (int turn = 0; turn < kContenders; ++turn) {
            const int c = (round + turn) % kContenders;
            fs::remove_all(work / "out");
            fs::create_directories(work / "out");
            const auto start = Clock::now();
            if (!contenders[c].run()) {
                std::fprintf(stderr, "%s could not be run\n", contenders[c].name);
                return 1;
            }
            seconds[c].push_back(std::chrono::duration<double>(Clock::now() - start).count());
            if (std::distance(fs::directory_iterator(work / "out"), fs::directory_iterator()) !=
                skins) {
                std::fprintf(stderr, "%s did not make %d .kolo files\n", contenders[c].name, skins);
                return 1;
            }
        }
    }
    fs::remove_all(work);

    std::printf("%d skins of about 2 MB, %d rounds, medians (each round's times in brackets)\n",
                skins, rounds);
    double median[kContenders], best[kContenders];
    for (int c = 0; c < kContenders; ++c) {
        median[c] = Median(seconds[c]);
        best[c] = *std::min_element(seconds[c].begin(), seconds[c].end());
        std::printf("%-12s %7.3f s  [", contenders[c].name, median[c]);
        for (double s : seconds[c]) std::printf(" %.3f", s);
        std::printf(" ]\n");
    }
    std::printf("                          median  best\n");
    std::printf("pipeline / mkkolo -j 1    = %.2f   %.2f  (target: at least 1.00)\n",
                median[0] / median[1], best[0] / best[1]);
    std::printf("mkkolo -j 1 / mkkolo -j 2 = %.2f   %.2f  (target: at least 1.70)\n",
                median[1] / median[2], best[1] / best[2]);
    return 0;
}
