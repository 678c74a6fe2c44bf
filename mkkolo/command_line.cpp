#include "mkkolo/command_line.h"

#include <cstdint>
#include <limits>

#include "kolo_version.h"
#include "mkkolo/batch.h"
#include "mkkolo/examine.h"
#include "mkkolo/inputs.h"
#include "mkkolo/options.h"
#include "mkkolo/pairing.h"
#include "pipeline/pack_skin.h"
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

using platform::Message;
using platform::Say;
namespace {

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
Message Refusal(const pipeline::SkinJob& job, const std::u16string& outputDir, bool warned) {
    if (warned) return pipeline::RefusedText(job.strName, u"有警告(--strict)", u"\n");
    const auto refused =
        pipeline::RefuseSkin(outputDir, job.strName, job.strFirstFile, job.strSecondFile);
    return refused ? pipeline::OutcomeText(*refused, job.strName, u"\n") : Message();
}

// What a run would do, skin by skin, without writing anything.
int DryRun(const std::vector<pipeline::SkinJob>& jobs,
           const std::map<std::size_t, Message>& refused, bool allPathsTaken,
           platform::Console& console) {
    for (std::size_t i = 0; i < jobs.size(); ++i) {
        const auto refusal = refused.find(i);
        console.Out(refusal != refused.end() ? refusal->second
                                             : u"【" + Message::Name(jobs[i].strName) + u"】 " +
                                                   Message::Name(jobs[i].strFirstFile) + u" + " +
                                                   Message::Name(jobs[i].strSecondFile) + u"\n");
    }
    return refused.empty() && allPathsTaken ? kExitOk : kExitFailed;
}

Message CannotCreate(const std::u16string& folder, platform::SystemError error) {
    return Say(u"无法创建输出文件夹 ", folder, u": ") + platform::Describe(error) + u"!\n";
}

}  // namespace

int RunMkkolo(const std::vector<std::u16string>& args, const Environment& environment,
              platform::Console& console) {
    Message error;
    std::optional<Options> options = ParseOptions(args, error);
    if (!options) {
        console.Err(error + kUsage);
        return kExitUsage;
    }
    // The paths only: an option's value ("-o *") stays as it was given.
    options->paths = platform::ExpandWildcards(options->paths);
    if (options->help) {
        console.Out(kUsage);
        return kExitOk;
    }
    if (options->version) {
        console.Out(u"mkkolo " KOLO_VERSION u"\n");
        return kExitOk;
    }
    const std::u16string outputDir = WithoutTrailingSeparators(options->outputDir);
    platform::SystemError failure;
    switch (options->mode) {
        case Mode::kList:
            return InspectFiles(options->paths, {Inspection::kList, outputDir, false}, console);
        case Mode::kTest:
            return InspectFiles(options->paths, {Inspection::kTest, outputDir, false}, console);
        case Mode::kExtract:
            if (!platform::CreateFolders(outputDir, &failure)) {
                console.Err(CannotCreate(outputDir, failure));
                return kExitFailed;
            }
            return InspectFiles(options->paths, {Inspection::kExtract, outputDir, options->force},
                                console);
        case Mode::kPack:
        case Mode::kDryRun:
            break;
    }

    BatchSettings settings;
    settings.outputDir = outputDir;
    settings.workers = options->workers.value_or(environment.processors);
    settings.quiet = options->quiet;
    settings.level = options->level;
    // Reproducible output: the moment a build stands for, in seconds since
    // 1970, dates every entry. An empty value counts as none.
    if (environment.sourceDateEpoch && !environment.sourceDateEpoch->empty()) {
        // However far off, a moment is dated at the end of the ZIP format's range.
        const auto moment = ParseNumber(*environment.sourceDateEpoch,
                                        std::numeric_limits<std::int64_t>::max(), true);
        if (!moment) {
            console.Err(Say(u"环境变量 SOURCE_DATE_EPOCH 的值 ", *environment.sourceDateEpoch,
                            u" 无效!\n"));
            return kExitUsage;
        }
        settings.entryTime = static_cast<std::int64_t>(*moment);
    }

    Message problems;
    const std::list<std::u16string> files = CollectInputFiles(options->paths, problems);
    if (!problems.empty()) console.Err(problems);
    const Pairing pairing = PairSkins(files);
    const std::vector<pipeline::SkinJob>& jobs = pairing.jobs;
    if (jobs.empty()) {
        console.Err(u"没有可打包的皮肤文件!\n");
        return kExitFailed;
    }
    for (std::size_t i = 0; i < jobs.size(); ++i) {
        for (const Message& warning : pairing.warnings[i]) console.Err(warning);
        const bool warned = options->strict && !pairing.warnings[i].empty();
        // A dry run says what the run would refuse; the run finds it itself.
        if (warned || options->mode == Mode::kDryRun) {
            Message refusal = Refusal(jobs[i], outputDir, warned);
            if (!refusal.empty()) settings.refused.emplace(i, std::move(refusal));
        }
    }
    if (options->mode == Mode::kDryRun) {
        return DryRun(jobs, settings.refused, problems.empty(), console);
    }
    if (!platform::CreateFolders(outputDir, &failure)) {
        console.Err(CannotCreate(outputDir, failure));
        return kExitFailed;
    }
    // Runs into one folder take turns: one run's failures must not undo
    // another's results.
    const platform::FolderLock lock(outputDir, [&] {
        console.Err(Say(u"输出文件夹 ", outputDir, u" 正被另一个 mkkolo 使用, 等待它结束...\n"));
    });
    const BatchCounts counts = PackBatch(jobs, settings, console);
    if (platform::InterruptRequested()) {
        console.Err(u"已中断: " + platform::ToDecimal(counts.made) + u" 个皮肤已生成, " +
                    platform::ToDecimal(counts.failed) + u" 个失败, " +
                    platform::ToDecimal(counts.notRun) + u" 个未打包!\n");
        return kExitInterrupted;
    }
    Message closing = u"已完成: " + platform::ToDecimal(counts.made) + u" 个皮肤已生成, " +
                      platform::ToDecimal(counts.failed) + u" 个失败";
    if (counts.failedJobs.empty()) closing += u".";
    if (!counts.failedJobs.empty()) closing += u": ";
    for (std::size_t i : counts.failedJobs)
        closing += u"【" + Message::Name(jobs[i].strName) + u"】";
    console.Err(closing + u"\n");
    return counts.made == jobs.size() && problems.empty() ? kExitOk : kExitFailed;
}

int MkkoloMain(const std::vector<std::u16string>& args) {
    Environment environment;
    environment.sourceDateEpoch = platform::EnvironmentVariable(u"SOURCE_DATE_EPOCH");
    environment.processors = platform::ProcessorCount();
    platform::StandardConsole console;
    return RunMkkolo(args, environment, console);
}

}  // namespace mkkolo
