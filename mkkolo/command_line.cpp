#include "mkkolo/command_line.h"

#include <algorithm>
#include <cstdint>
#include <limits>

#include "kolo_version.h"
#include "mkkolo/batch.h"
#include "mkkolo/examine.h"
#include "mkkolo/inputs.h"
#include "mkkolo/json_report.h"
#include "mkkolo/options.h"
#include "mkkolo/output.h"
#include "mkkolo/text_report.h"
#include "mkkolo/watch.h"
#include "pipeline/pairing.h"
#include "pipeline/verdict.h"
#include "platform/files.h"
#include "platform/folder_lock.h"
#include "platform/interrupt.h"
#include "platform/paths.h"
#include "platform/program.h"
#include "platform/text.h"
#include "platform/wildcards.h"

namespace mkkolo {
namespace {

using platform::Message;
using platform::Say;

// The folder without separators at its end, which the package paths add
// themselves; a root keeps its own.
std::u16string WithoutTrailingSeparators(std::u16string folder) {
    while (folder.size() > 1 && platform::IsPathSeparator(folder.back()) &&
           folder[folder.size() - 2] != u':') {
        folder.pop_back();
    }
    return folder;
}

Message CannotCreate(const std::u16string& folder, platform::SystemError error) {
    return Say(u"无法创建输出文件夹 ", folder, u": ") + platform::Describe(error) + u"!\n";
}

// Why the output folder can be no folder: a file, or a device (NUL, CON ...
// on Windows), stands at its path. Nothing when it can be one.
std::optional<Message> NotAFolder(const std::u16string& folder) {
    const platform::PathKind kind = platform::KindOfPath(folder);
    if (platform::IsDeviceName(folder) || kind == platform::PathKind::kOther)
        return Say(u"输出文件夹 ", folder, u" 是一个设备, 不是文件夹!\n");
    if (kind == platform::PathKind::kFile)
        return Say(u"输出文件夹 ", folder, u" 是一个文件, 不是文件夹!\n");
    return std::nullopt;
}

// The moment SOURCE_DATE_EPOCH stands for, which dates every entry so that
// a build can be repeated byte for byte; nothing when it is not set (or
// empty). False, after saying so, when it is no number.
bool ReadEntryTime(const Environment& environment, std::optional<std::int64_t>& entryTime,
                   platform::Console& console) {
    if (!environment.sourceDateEpoch || environment.sourceDateEpoch->empty()) return true;
    // However far off, a moment is dated at the end of the ZIP format's range.
    const auto moment =
        ParseNumber(*environment.sourceDateEpoch, std::numeric_limits<std::int64_t>::max(), true);
    if (!moment) {
        console.Err(
            Say(u"环境变量 SOURCE_DATE_EPOCH 的值 ", *environment.sourceDateEpoch, u" 无效!\n"));
        return false;
    }
    entryTime = static_cast<std::int64_t>(*moment);
    return true;
}

// -l, -t and -x.
int Inspect(const Options& options, const std::u16string& outputDir, platform::Console& console) {
    InspectSettings settings{Inspection::kList, outputDir, options.force, options.strict};
    if (options.mode == Mode::kTest) settings.what = Inspection::kTest;
    if (options.mode == Mode::kExtract) {
        settings.what = Inspection::kExtract;
        if (const auto refused = NotAFolder(outputDir)) {
            console.Err(*refused);
            return kExitFailed;
        }
        if (const auto made = platform::CreateFolders(outputDir); !made) {
            console.Err(CannotCreate(outputDir, made.error()));
            return kExitFailed;
        }
    }
    return InspectFiles(options.paths, settings, console);
}

// The skins of each set of files.
std::vector<pipeline::Pairing> PairSets(const InputScan& scan) {
    std::vector<pipeline::Pairing> pairings;
    for (const InputSet& set : scan.sets) {
        pairings.push_back(pipeline::PairSkins(set.files));
        pairings.back().folder = set.folder;
    }
    return pairings;
}

std::size_t SkinCount(const std::vector<pipeline::Pairing>& pairings) {
    std::size_t count = 0;
    for (const pipeline::Pairing& pairing : pairings) count += pairing.skins.size();
    return count;
}

// Whether the skins can be packed side by side: two whose .kolo would be
// one file (from two folders under -r) are told of, and then nothing is.
bool EachHasItsOwnOutput(const std::vector<pipeline::Pairing>& pairings,
                         const std::u16string& outputDir, platform::Console& console) {
    const std::vector<SameOutput> same = SameOutputs(pairings, outputDir);
    for (const SameOutput& pair : same) {
        console.Err(Message::Name(pair.first) + u" 与 " + Message::Name(pair.second) +
                    u" 会生成同一个文件 " + Message::Name(pair.koloPath) + u"!\n");
    }
    return same.empty();
}

// Packs the pairings' skins (with -n judges them only) and words their
// verdicts: each skin's report as it is done, then the closing line.
// kExitOk when every skin was (would be) made.
int PackSkins(const std::vector<pipeline::Pairing>& pairings, const Options& options,
              const BatchSettings& settings, platform::Console& console) {
    const std::u16string& outputDir = settings.outputDir;
    const bool dryRun = settings.pack.dryRun;
    if (!EachHasItsOwnOutput(pairings, outputDir, console)) return kExitFailed;
    TextReport report(console, SkinCount(pairings), options.quiet,
                      options.json ? LogStream::kErr : LogStream::kOut);
    std::vector<pipeline::SkinVerdict> verdicts;
    if (dryRun) {
        verdicts = PackBatch(pairings, settings, report);
    } else {
        if (const auto made = platform::CreateFolders(outputDir); !made) {
            console.Err(CannotCreate(outputDir, made.error()));
            return kExitFailed;
        }
        // Runs into one folder take turns: one run's failures must not undo
        // another's results. The closing line comes once the folder is free.
        const platform::FolderLock lock(outputDir, [&] {
            console.Err(
                Say(u"输出文件夹 ", outputDir, u" 正被另一个 mkkolo 使用, 等待它结束...\n"));
        });
        verdicts = PackBatch(pairings, settings, report);
    }
    bool arrived = true;
    if (options.json) {
        console.OutUtf8(JsonReport(verdicts, dryRun));
        arrived = OutputArrived(console);
    }
    if (platform::InterruptRequested()) {
        report.Say(InterruptedLine(verdicts));
        return kExitInterrupted;
    }
    if (!dryRun) report.Say(ClosingLine(verdicts));
    const bool allMade = std::all_of(verdicts.begin(), verdicts.end(), [&](const auto& verdict) {
        return dryRun ? verdict.status == pipeline::SkinStatus::kWouldMake : verdict.Made();
    });
    return allMade && arrived ? kExitOk : kExitFailed;
}

// The paths' skin files, after what was said about the paths.
InputScan Scan(const Options& options, platform::Console& console) {
    InputScan scan = ScanInputs(options.paths, options.recursive);
    if (!scan.problems.empty()) console.Err(scan.problems);
    if (!scan.notes.empty()) console.Err(scan.notes);
    return scan;
}

// A first run, then a round for each change that concerns the skin files:
// the paths scanned and paired again as at first, and the skins the change
// concerns packed. Ends on a request to stop, or when nothing is left to
// watch.
int Watch(const Options& options, const BatchSettings& settings, platform::Console& console) {
    // Watched before the first scan: nothing that changes meanwhile is missed.
    InputWatch watch(options.paths, options.recursive, console);
    InputScan scan = Scan(options, console);
    const std::vector<pipeline::Pairing> pairings = PairSets(scan);
    if (SkinCount(pairings) == 0) {
        console.Err(u"没有可打包的皮肤文件!\n");
    } else if (PackSkins(pairings, options, settings, console) == kExitInterrupted) {
        return kExitInterrupted;
    }
    console.Err(u"正在监视改动, 按 Ctrl+C 结束...\n");
    for (;;) {
        const platform::WatchResult change = watch.Wait(scan);
        if (change.status == platform::WatchResult::Status::kStopped) {
            console.Out(InterruptedLine({}));
            return kExitInterrupted;
        }
        if (change.status == platform::WatchResult::Status::kNothingWatched) {
            console.Err(u"没有可监视的路径了, 监视结束!\n");
            return kExitFailed;
        }
        InputScan next = ScanInputs(options.paths, options.recursive);
        const std::vector<pipeline::Pairing> after = PairSets(next);
        const std::optional<std::vector<pipeline::Pairing>> changed =
            ChangedSkins(after, scan, next, change);
        scan = std::move(next);
        if (!changed) continue;
        if (!scan.problems.empty()) console.Err(scan.problems);
        // The skins of the round may not undo those of other folders either.
        if (!EachHasItsOwnOutput(after, settings.outputDir, console)) continue;
        if (PackSkins(*changed, options, settings, console) == kExitInterrupted) {
            return kExitInterrupted;
        }
    }
}

// A run, with -n what it would do, with -w a watch.
int Pack(const Options& options, const std::u16string& outputDir, const Environment& environment,
         platform::Console& console) {
    BatchSettings settings;
    settings.outputDir = outputDir;
    settings.workers = options.workers.value_or(environment.processors);
    settings.pack.kolo.level = options.level;
    settings.pack.checks = {true, options.strict};
    settings.pack.dryRun = options.mode == Mode::kDryRun;
    if (!ReadEntryTime(environment, settings.pack.kolo.entryTime, console)) return kExitUsage;
    // Before any skin: a run could make nothing there.
    if (const auto refused = NotAFolder(outputDir)) {
        console.Err(*refused);
        return kExitFailed;
    }
    if (options.mode == Mode::kWatch) return Watch(options, settings, console);

    const InputScan scan = Scan(options, console);
    const std::vector<pipeline::Pairing> pairings = PairSets(scan);
    if (SkinCount(pairings) == 0) {
        console.Err(u"没有可打包的皮肤文件!\n");
        return kExitFailed;
    }
    const int status = PackSkins(pairings, options, settings, console);
    return status == kExitOk && !scan.problems.empty() ? kExitFailed : status;
}

}  // namespace

int RunMkkolo(const std::vector<std::u16string>& args, const Environment& environment,
              platform::Console& console) {
    Message error;
    std::optional<Options> options = ParseOptions(args, error);
    if (!options) {
        console.Err(error + u"用 mkkolo --help 查看用法.\n");
        return kExitUsage;
    }
    // The paths only: an option's value ("-o *") stays as it was given.
    options->paths = platform::ExpandWildcards(options->paths);
    if (options->help) {
        console.Out(Usage());
        return kExitOk;
    }
    if (options->version) {
        console.Out(u"mkkolo " KOLO_VERSION u"\n");
        return kExitOk;
    }
    const std::u16string outputDir = WithoutTrailingSeparators(options->outputDir);
    switch (options->mode) {
        case Mode::kList:
        case Mode::kTest:
        case Mode::kExtract:
        case Mode::kWatch:
            // One document for one run: not for what inspecting prints, nor for
            // a watch's rounds.
            if (options->json) {
                console.Err(u"选项 --json 只能用于打包和 -n!\n用 mkkolo --help 查看用法.\n");
                return kExitUsage;
            }
            if (options->mode == Mode::kWatch) break;
            return Inspect(*options, outputDir, console);
        case Mode::kPack:
        case Mode::kDryRun:
            break;
    }
    return Pack(*options, outputDir, environment, console);
}

int MkkoloMain(const std::vector<std::u16string>& args) {
    Environment environment;
    environment.sourceDateEpoch = platform::EnvironmentVariable(u"SOURCE_DATE_EPOCH");
    environment.processors = platform::ProcessorCount();
    platform::StandardConsole console;
    return RunMkkolo(args, environment, console);
}

}  // namespace mkkolo
