#include "mkkolo/command_line.h"

#include <cstdint>
#include <limits>

#include "kolo_version.h"
#include "mkkolo/batch.h"
#include "mkkolo/check_warnings.h"
#include "mkkolo/examine.h"
#include "mkkolo/inputs.h"
#include "mkkolo/json_report.h"
#include "mkkolo/options.h"
#include "mkkolo/output.h"
#include "mkkolo/pairing.h"
#include "mkkolo/watch.h"
#include "pipeline/kolo.h"
#include "pipeline/pack_skin.h"
#include "pipeline/skin_checks.h"
#include "pipeline/skin_jobs.h"
#include "pipeline/skin_words.h"
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

// The words for a skin that is refused before it is packed: the run's own
// refusals, or its warnings under --strict.
Message Refusal(const pipeline::SkinJob& job, const SkinFiles& files,
                const std::u16string& outputDir, bool warned) {
    if (warned) return StrictRefusal(job.strName);
    const auto refused = pipeline::RefuseSkin(outputDir, job.strName, files.first, files.second);
    return refused ? pipeline::OutcomeText(*refused, job.strName, u"\n") : Message();
}

// What the checks of a skin's files find. A run makes them while it reads
// the files to pack them; a dry run reads them for the checks alone.
std::vector<pipeline::FileFault> CheckSkinFiles(const SkinFiles& files) {
    std::vector<pipeline::FileFault> faults;
    for (const pipeline::InputFile* file : {&files.first, &files.second}) {
        if (auto fault = pipeline::CheckFile(file->path)) faults.push_back(std::move(*fault));
    }
    return faults;
}

// What a run would do, skin by skin, without writing anything: in words, or
// with --json as the report of it.
int DryRun(const Pairing& pairing, const std::map<std::size_t, Message>& refused,
           std::vector<std::vector<pipeline::FileFault>>& faults, const std::u16string& outputDir,
           bool allPathsTaken, bool json, platform::Console& console) {
    const std::vector<pipeline::SkinJob>& jobs = pairing.jobs;
    std::vector<std::optional<JobOutcome>> outcomes;
    for (std::size_t i = 0; i < jobs.size(); ++i) {
        const auto refusal = refused.find(i);
        const bool packed = refusal == refused.end();
        if (json) {
            const std::u16string kolo =
                pipeline::KoloPathFor(pipeline::PakPathFor(outputDir, jobs[i].strName));
            outcomes.push_back(JobOutcome{packed, packed ? kolo : std::u16string(), 0, 0,
                                          std::move(faults[i]),
                                          packed ? Message() : refusal->second});
            continue;
        }
        console.Out(!packed ? refusal->second
                            : u"【" + Message::Name(jobs[i].strName) + u"】 " +
                                  Message::Name(jobs[i].strFirstFile) + u" + " +
                                  Message::Name(jobs[i].strSecondFile) + u"\n");
    }
    if (json) {
        console.OutUtf8(JsonReport(pairing, outcomes, true));
        if (!OutputArrived(console)) return kExitFailed;
    }
    return refused.empty() && allPathsTaken ? kExitOk : kExitFailed;
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
        platform::SystemError failure;
        if (!platform::CreateFolders(outputDir, &failure)) {
            console.Err(CannotCreate(outputDir, failure));
            return kExitFailed;
        }
    }
    return InspectFiles(options.paths, settings, console);
}

// Which skins fail without being packed, with their words, and in a dry
// run what the checks of the others' files find.
struct Refusals {
    std::map<std::size_t, Message> refused;
    std::vector<std::vector<pipeline::FileFault>> faults;  // per job
};

// Says the warnings of the pairing's skins, grouped by skin in job order,
// and finds the skins that fail without being packed: with --strict those
// warned; in a dry run also those that a run would refuse, which a run
// finds itself, and those whose files the checks find fault with.
Refusals WarnAndRefuse(const Pairing& pairing, const Options& options,
                       const std::u16string& outputDir, platform::Console& console) {
    const bool dryRun = options.mode == Mode::kDryRun;
    Refusals refusals;
    refusals.faults.resize(pairing.jobs.size());
    for (std::size_t i = 0; i < pairing.jobs.size(); ++i) {
        const pipeline::SkinJob& job = pairing.jobs[i];
        for (const PairingWarning& warning : pairing.warnings[i]) console.Err(WarningText(warning));
        const bool warned = options.strict && !pairing.warnings[i].empty();
        if (warned || dryRun) {
            Message refusal = Refusal(job, pairing.files[i], outputDir, warned);
            if (!refusal.empty()) refusals.refused.emplace(i, std::move(refusal));
        }
        // Of the skins it would pack, what the run's checks would find.
        if (!dryRun || refusals.refused.count(i)) continue;
        refusals.faults[i] = CheckSkinFiles(pairing.files[i]);
        for (const pipeline::FileFault& fault : refusals.faults[i])
            console.Err(FaultText(job.strName, fault));
        if (options.strict && !refusals.faults[i].empty())
            refusals.refused.emplace(i, StrictRefusal(job.strName));
    }
    return refusals;
}

Message InterruptedText(const BatchCounts& counts) {
    return u"已中断: " + platform::ToDecimal(counts.made) + u" 个皮肤已生成, " +
           platform::ToDecimal(counts.failed) + u" 个失败, " + platform::ToDecimal(counts.notRun) +
           u" 个未打包!\n";
}

// Packs the pairing's skins, with their warnings first, and ends with the
// closing line: kExitOk when every skin got its .kolo.
int PackSkins(const Pairing& pairing, const Options& options, BatchSettings settings,
              platform::Console& console) {
    const std::u16string& outputDir = settings.outputDir;
    settings.refused = WarnAndRefuse(pairing, options, outputDir, console).refused;
    platform::SystemError failure;
    if (!platform::CreateFolders(outputDir, &failure)) {
        console.Err(CannotCreate(outputDir, failure));
        return kExitFailed;
    }
    BatchCounts counts;
    {
        // Runs into one folder take turns: one run's failures must not undo
        // another's results. The closing line comes once the folder is free.
        const platform::FolderLock lock(outputDir, [&] {
            console.Err(
                Say(u"输出文件夹 ", outputDir, u" 正被另一个 mkkolo 使用, 等待它结束...\n"));
        });
        counts = PackBatch(pairing, settings, console);
    }
    bool arrived = true;
    if (options.json) {
        console.OutUtf8(JsonReport(pairing, counts.outcomes, false));
        arrived = OutputArrived(console);
    }
    if (platform::InterruptRequested()) {
        console.Err(InterruptedText(counts));
        return kExitInterrupted;
    }
    // Of the skins made, those that a warning was given about.
    std::size_t warned = 0;
    for (std::size_t i = 0; i < pairing.jobs.size(); ++i) {
        const std::optional<JobOutcome>& outcome = counts.outcomes[i];
        if (outcome && outcome->made && (!pairing.warnings[i].empty() || !outcome->faults.empty()))
            ++warned;
    }
    Message closing = u"已完成: " + platform::ToDecimal(counts.made) + u" 个皮肤已生成";
    if (warned != 0) closing += u", 其中 " + platform::ToDecimal(warned) + u" 个有警告";
    closing += u", " + platform::ToDecimal(counts.failed) + u" 个失败";
    if (counts.failedJobs.empty()) closing += u".";
    if (!counts.failedJobs.empty()) closing += u": ";
    for (std::size_t i : counts.failedJobs)
        closing += u"【" + Message::Name(pairing.jobs[i].strName) + u"】";
    console.Err(closing + u"\n");
    return counts.made == pairing.jobs.size() && arrived ? kExitOk : kExitFailed;
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
    const Pairing pairing = PairSkins(scan.files);
    if (pairing.jobs.empty()) {
        console.Err(u"没有可打包的皮肤文件!\n");
    } else if (PackSkins(pairing, options, settings, console) == kExitInterrupted) {
        return kExitInterrupted;
    }
    console.Err(u"正在监视改动, 按 Ctrl+C 结束...\n");
    for (;;) {
        const platform::WatchResult change = watch.Wait(scan.files);
        if (change.status == platform::WatchResult::Status::kStopped) {
            console.Err(InterruptedText({}));
            return kExitInterrupted;
        }
        if (change.status == platform::WatchResult::Status::kNothingWatched) {
            console.Err(u"没有可监视的路径了, 监视结束!\n");
            return kExitFailed;
        }
        InputScan next = ScanInputs(options.paths, options.recursive);
        const std::optional<Pairing> changed =
            ChangedSkins(PairSkins(next.files), scan.files, next.files, change);
        scan = std::move(next);
        if (!changed) continue;
        if (!scan.problems.empty()) console.Err(scan.problems);
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
    settings.quiet = options.quiet;
    settings.pack.kolo.level = options.level;
    settings.pack.checks = {true, options.strict};
    settings.json = options.json;
    if (!ReadEntryTime(environment, settings.pack.kolo.entryTime, console)) return kExitUsage;
    // Before any skin: a run could make nothing there.
    if (const auto refused = NotAFolder(outputDir)) {
        console.Err(*refused);
        return kExitFailed;
    }
    if (options.mode == Mode::kWatch) return Watch(options, settings, console);

    const InputScan scan = Scan(options, console);
    const Pairing pairing = PairSkins(scan.files);
    if (pairing.jobs.empty()) {
        console.Err(u"没有可打包的皮肤文件!\n");
        return kExitFailed;
    }
    if (options.mode == Mode::kDryRun) {
        Refusals refusals = WarnAndRefuse(pairing, options, outputDir, console);
        return DryRun(pairing, refusals.refused, refusals.faults, outputDir, scan.problems.empty(),
                      options.json, console);
    }
    const int status = PackSkins(pairing, options, settings, console);
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
