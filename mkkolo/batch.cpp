#include "mkkolo/batch.h"

#include <algorithm>
#include <optional>
#include <unordered_map>

#include "mkkolo/job_runner.h"
#include "pipeline/in_process_packer.h"
#include "pipeline/kolo_committer.h"
#include "platform/files.h"
#include "platform/interrupt.h"
#include "platform/paths.h"
#include "platform/text.h"

namespace mkkolo {
namespace {

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

// Archives that wait for their commit, per worker: enough that a worker
// never waits for the disk while the committer keeps up.
constexpr unsigned kCommitsPerWorker = 2;
// Each job holds at most three files open at once (its two inputs and the
// archive it writes), and each archive that waits for its commit one more.
constexpr std::uint64_t kFilesPerJob = 3 + kCommitsPerWorker;
// Kept for the rest: the standard streams, the folder lock, the folder the
// committer makes a name durable in, the runtime's own.
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

// Hands each job's verdict on as it is delivered, once its archive's
// commit has made it final.
class Delivery final : public JobListener {
  public:
    Delivery(std::vector<pipeline::SkinVerdict>& verdicts, VerdictListener& listener)
        : m_verdicts(verdicts), m_listener(listener) {}
    void Deliver(std::size_t job) override {
        pipeline::SettleVerdict(m_verdicts[job]);
        m_listener.Deliver(m_verdicts[job]);
    }
    void Finished(std::size_t count) override { m_listener.Finished(count); }

  private:
    std::vector<pipeline::SkinVerdict>& m_verdicts;
    VerdictListener& m_listener;
};

}  // namespace

std::vector<std::vector<std::size_t>> ChainsOfSameFiles(
    const std::vector<pipeline::SkinJob>& jobs) {
    std::vector<std::vector<std::size_t>> chains;
    // Names that a file system ignoring case takes for one fold to one text.
    std::unordered_map<std::u16string, std::size_t> chainOfName;
    chainOfName.reserve(jobs.size());
    for (std::size_t i = 0; i < jobs.size(); ++i) {
        const auto [chain, isNew] =
            chainOfName.emplace(platform::FoldCase(jobs[i].strName), chains.size());
        if (isNew) {
            chains.push_back({i});
        } else {
            chains[chain->second].push_back(i);
        }
    }
    return chains;
}

std::vector<pipeline::SkinVerdict> PackBatch(const pipeline::Pairing& pairing,
                                             const BatchSettings& settings,
                                             VerdictListener& listener) {
    const std::vector<pipeline::PairedSkin>& skins = pairing.skins;
    std::vector<pipeline::SkinJob> jobs;
    for (const pipeline::PairedSkin& skin : skins) jobs.push_back(skin.job);
    const MbmFolder mbmFolder(settings.pack.dryRun ? std::vector<pipeline::SkinJob>() : jobs);
    pipeline::PackSettings pack = settings.pack;
    pack.mbmFolder = mbmFolder.path();
    pack.mbmFolderError = mbmFolder.error();
    const unsigned workers = WorkersWithinOpenFileLimit(settings.workers);
    // The archives' flushes and renames, in the order they come, beside the
    // next skins' work; every one is made (or, after a request to stop,
    // removed) before the run returns, so the output folder's lock covers
    // them. A skin's chain hands its archives over in its order.
    std::optional<pipeline::KoloCommitter> committer;
    if (!pack.dryRun) pack.kolo.committer = &committer.emplace(kCommitsPerWorker * workers);

    // Each job fills in its own verdict, read once it is delivered.
    std::vector<pipeline::SkinVerdict> verdicts(skins.size());
    Delivery delivery(verdicts, listener);
    RunJobs(
        skins.size(), ChainsOfSameFiles(jobs), workers,
        [&](std::size_t i) {
            if (platform::InterruptRequested()) {
                verdicts[i].name = skins[i].job.strName;
                return;
            }
            pipeline::InProcessPacker packer;
            verdicts[i] = pipeline::JudgeSkin(packer, pack, settings.outputDir, pairing, i);
        },
        delivery);
    return verdicts;
}

}  // namespace mkkolo
