#include "mkkolo/batch.h"

#include <algorithm>
#include <map>

#include "mkkolo/check_warnings.h"
#include "mkkolo/job_runner.h"
#include "packer/pack_texts.h"
#include "pipeline/in_process_packer.h"
#include "pipeline/pack_skin.h"
#include "pipeline/skin_words.h"
#include "platform/files.h"
#include "platform/interrupt.h"
#include "platform/paths.h"
#include "platform/text.h"

namespace mkkolo {

using platform::Message;
namespace {

// What the packer came to, in quill's words with plain line ends, with or
// without its summary. Of the words about writing or memory, which name the
// file the skin makes, that file is the .kolo: no package file is made.
Message PackerWords(const pipeline::SkinResult& result, const std::u16string& pakPath,
                    bool summary) {
    if (!result.packResult) return {};
    const quill::PackResult& packed = *result.packResult;
    Message words;
    for (const std::u16string& path : packed.ignored) words += quill::IgnoredText(path, u"\n");
    if (packed.prepared && summary) words += quill::SummaryText(packed.packed);
    // The archive's own troubles have words of their own.
    if (result.outcome != pipeline::SkinOutcome::kPackerFailed) return words;
    const bool writing = packed.error == quill::PackageError::kCreateOutput ||
                         packed.error == quill::PackageError::kWriteOutput ||
                         packed.error == quill::PackageError::kDiskFull ||
                         packed.error == quill::PackageError::kOutOfMemory;
    return words + quill::FailureText(packed, writing ? result.koloPath : pakPath,
                                      std::size(quill::kDefaultPackageName) - 1);
}

class Reporter final : public JobListener {
  public:
    Reporter(platform::Console& console, std::size_t total, bool quiet, bool json)
        : m_console(console),
          m_total(total),
          m_bQuiet(quiet),
          m_bJson(json),
          m_bShowProgress(console.ErrIsTerminal()) {}

    void Deliver(std::size_t job, JobResult result) override {
        if (!result.warnings.empty()) {
            ClearProgress();
            m_console.Err(result.warnings);
        }
        switch (result.status) {
            case JobResult::Status::kNotRun:
                ++m_counts.notRun;
                return;
            case JobResult::Status::kSucceeded:
                ++m_counts.made;
                if (m_bQuiet) return;
                break;
            case JobResult::Status::kFailed:
                ++m_counts.failed;
                m_counts.failedJobs.push_back(job);
                break;
        }
        if (m_bJson) return;
        ClearProgress();
        m_console.Out(result.report);
    }

    // The counter only grows, so each line covers the one before.
    void Finished(std::size_t count) override {
        if (!m_bShowProgress) return;
        m_strProgress = u"进度 " + platform::ToDecimal(count) + u"/" + platform::ToDecimal(m_total);
        m_console.Err(u"\r" + m_strProgress);
    }

    void ClearProgress() {
        if (m_strProgress.empty()) return;
        // Chinese characters take two columns.
        m_console.Err(u"\r" + std::u16string(2 * m_strProgress.size(), u' ') + u"\r");
        m_strProgress.clear();
    }

    const BatchCounts& counts() const { return m_counts; }

  private:
    platform::Console& m_console;
    const std::size_t m_total;
    const bool m_bQuiet;
    const bool m_bJson;  // the reports stay in the outcomes
    const bool m_bShowProgress;
    std::u16string m_strProgress;  // what the progress line shows now
    BatchCounts m_counts;
};

// The run's own folder for prepared copies of .mbm files, so two runs at
// once never take each other's copies; removed with them at the end. Made
// only when a job has an .mbm input.
class MbmFolder {
  public:
    explicit MbmFolder(const std::vector<pipeline::SkinJob>& jobs) {
        const bool needed = std::any_of(jobs.begin(), jobs.end(), [](const pipeline::SkinJob& job) {
            return platform::HasExtension(job.strFirstFile, u".mbm") ||
                   platform::HasExtension(job.strSecondFile, u".mbm");
        });
        if (!needed) return;
        m_strPath = platform::CreateUniqueFolder(platform::TempFolder());
        if (m_strPath.empty()) m_error = platform::LastSystemError();
    }
    ~MbmFolder() {
        if (m_strPath.empty()) return;
        for (const std::u16string& name :
             platform::ListFolder(m_strPath).value_or(std::vector<std::u16string>())) {
            platform::RemoveFile(m_strPath + platform::kPathSeparator + name);
        }
        platform::RemoveFolder(m_strPath);
    }
    MbmFolder(const MbmFolder&) = delete;
    MbmFolder& operator=(const MbmFolder&) = delete;

    // Ending in a separator; empty when none could be made, and error()
    // says why.
    std::u16string path() const {
        return m_strPath.empty() ? m_strPath : m_strPath + platform::kPathSeparator;
    }
    platform::SystemError error() const { return m_error; }

  private:
    std::u16string m_strPath;
    platform::SystemError m_error;
};

// Each job holds at most this many files open at once: its two inputs, the
// archive it writes, and a folder while a new name is made durable.
constexpr std::uint64_t kFilesPerJob = 4;
// Kept for the rest: the standard streams, the folder lock, the runtime's own.
constexpr std::uint64_t kFilesKept = 8;

// As many workers as asked, but no more than the files the system lets the
// program hold open can serve: a job that found none left would fail.
unsigned WorkersWithinOpenFileLimit(unsigned workers) {
    const auto limit = platform::OpenFileLimit();
    if (!limit) return workers;
    const std::uint64_t fit =
        *limit > kFilesKept + kFilesPerJob ? (*limit - kFilesKept) / kFilesPerJob : 1;
    return static_cast<unsigned>(std::min<std::uint64_t>(workers, fit));
}

}  // namespace

std::vector<std::vector<std::size_t>> ChainsOfSameFiles(
    const std::vector<pipeline::SkinJob>& jobs) {
    std::vector<std::vector<std::size_t>> chains;
    // A file system that ignores case compares names unit by unit: only names
    // of one length can meet.
    std::map<std::size_t, std::vector<std::size_t>> chainsByLength;
    for (std::size_t i = 0; i < jobs.size(); ++i) {
        const std::u16string& name = jobs[i].strName;
        std::vector<std::size_t>& candidates = chainsByLength[name.size()];
        const auto same = std::find_if(candidates.begin(), candidates.end(), [&](std::size_t c) {
            return platform::EqualIgnoringCase(jobs[chains[c].front()].strName, name);
        });
        if (same != candidates.end()) {
            chains[*same].push_back(i);
        } else {
            candidates.push_back(chains.size());
            chains.push_back({i});
        }
    }
    return chains;
}

BatchCounts PackBatch(const Pairing& pairing, const BatchSettings& settings,
                      platform::Console& console) {
    const std::vector<pipeline::SkinJob>& jobs = pairing.jobs;
    const MbmFolder mbmFolder(jobs);
    pipeline::PackSettings pack = settings.pack;
    pack.mbmFolder = mbmFolder.path();
    pack.mbmFolderError = mbmFolder.error();

    Reporter reporter(console, jobs.size(), settings.quiet, settings.json);
    // Each job fills in its own outcome, read once every job is done.
    std::vector<std::optional<JobOutcome>> outcomes(jobs.size());
    RunJobs(
        jobs.size(), ChainsOfSameFiles(jobs), WorkersWithinOpenFileLimit(settings.workers),
        [&](std::size_t i) {
            if (platform::InterruptRequested())
                return JobResult{{}, JobResult::Status::kNotRun, {}};
            if (const auto refused = settings.refused.find(i); refused != settings.refused.end()) {
                outcomes[i] = JobOutcome{false, {}, 0, 0, {}, refused->second};
                return JobResult{refused->second, JobResult::Status::kFailed, {}};
            }
            const pipeline::SkinJob& job = jobs[i];
            pipeline::InProcessPacker packer;
            const SkinFiles& files = pairing.files[i];
            const pipeline::SkinResult result = pipeline::PackSkin(
                packer, pack, settings.outputDir, job.strName, files.first, files.second);
            if (result.outcome == pipeline::SkinOutcome::kInterrupted)
                return JobResult{{}, JobResult::Status::kNotRun, {}};
            Message warnings;
            for (const pipeline::FileFault& fault : result.faults)
                warnings += FaultText(job.strName, fault);
            const bool made = result.outcome == pipeline::SkinOutcome::kKoloWritten;
            const std::u16string pakPath = pipeline::PakPathFor(settings.outputDir, job.strName);
            const auto words = [&](bool summary) {
                return result.outcome == pipeline::SkinOutcome::kHeldBack
                           ? StrictRefusal(job.strName)
                           : PackerWords(result, pakPath, summary) +
                                 pipeline::OutcomeText(result, job.strName, u"\n", true);
            };
            outcomes[i] = JobOutcome{made,
                                     made ? result.koloPath : std::u16string(),
                                     result.packageSize,
                                     result.koloSize,
                                     result.faults,
                                     made ? Message() : words(false)};
            return JobResult{words(true),
                             made ? JobResult::Status::kSucceeded : JobResult::Status::kFailed,
                             warnings};
        },
        reporter);
    reporter.ClearProgress();
    BatchCounts counts = reporter.counts();
    counts.outcomes = std::move(outcomes);
    return counts;
}

}  // namespace mkkolo
