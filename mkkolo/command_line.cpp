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
        platform::SystemError failure;
        if (!platform::CreateFolders(outputDir, &failure)) {
            console.Err(CannotCreate(outputDir, failure));
            return kExitFailed;
        }
    }
    return InspectFiles(options.paths, settings, console);
}

// A run, or with -n what it would do.
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

    Message problems;
    const Pairing pairing = PairSkins(CollectInputFiles(options.paths, problems));
    if (!problems.empty()) console.Err(problems);
    const std::vector<pipeline::SkinJob>& jobs = pairing.jobs;
    if (jobs.empty()) {
        console.Err(u"没有可打包的皮肤文件!\n");
        return kExitFailed;
    }
    const bool dryRun = options.mode == Mode::kDryRun;
    std::vector<std::vector<pipeline::FileFault>> faults(jobs.size());
    for (std::size_t i = 0; i < jobs.size(); ++i) {
        for (const PairingWarning& warning : pairing.warnings[i]) console.Err(WarningText(warning));
        const bool warned = options.strict && !pairing.warnings[i].empty();
        // A dry run says what the run would refuse; the run finds it itself.
        if (warned || dryRun) {
            Message refusal = Refusal(jobs[i], pairing.files[i], outputDir, warned);
            if (!refusal.empty()) settings.refused.emplace(i, std::move(refusal));
        }
        // Of the skins it would pack, what the run's checks would find.
        if (!dryRun || settings.refused.count(i)) continue;
        faults[i] = CheckSkinFiles(pairing.files[i]);
        for (const pipeline::FileFault& fault : faults[i])
            console.Err(FaultText(jobs[i].strName, fault));
        if (options.strict && !faults[i].empty())
            settings.refused.emplace(i, StrictRefusal(jobs[i].strName));
    }
    if (dryRun) {
        return DryRun(pairing, settings.refused, faults, outputDir, problems.empty(), options.json,
                      console);
    }
    platform::SystemError failure;
    if (!platform::CreateFolders(outputDir, &failure)) {
        console.Err(CannotCreate(outputDir, failure));
        return kExitFailed;
    }
    // Runs into one folder take turns: one run's failures must not undo
    // another's results.
    const platform::FolderLock lock(outputDir, [&] {
        console.Err(Say(u"输出文件夹 ", outputDir, u" 正被另一个 mkkolo 使用, 等待它结束...\n"));
    });
    const BatchCounts counts = PackBatch(pairing, settings, console);
    bool arrived = true;
    if (options.json) {
        console.OutUtf8(JsonReport(pairing, counts.outcomes, false));
        arrived = OutputArrived(console);
    }
    if (platform::InterruptRequested()) {
        console.Err(u"已中断: " + platform::ToDecimal(counts.made) + u" 个皮肤已生成, " +
                    platform::ToDecimal(counts.failed) + u" 个失败, " +
                    platform::ToDecimal(counts.notRun) + u" 个未打包!\n");
        return kExitInterrupted;
    }
    // Of the skins made, those that a warning was given about.
    std::size_t warned = 0;
    for (std::size_t i = 0; i < jobs.size(); ++i) {
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
        closing += u"【" + Message::Name(jobs[i].strName) + u"】";
    console.Err(closing + u"\n");
    return counts.made == jobs.size() && problems.empty() && arrived ? kExitOk : kExitFailed;
}

}  // namespace

int RunMkkolo(const std::vector<std::u16string>& args, const Environment& environment,
              platform::Console& console) {
    Message error;
    std::optional<Options> options = ParseOptions(args, error);
    if (!options) {
        console.Err(error + Usage());
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
            if (options->json) {
                console.Err(u"选项 --json 只能用于打包和 -n!\n" + Usage());
                return kExitUsage;
            }
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
