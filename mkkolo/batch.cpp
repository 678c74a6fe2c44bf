#include "mkkolo/batch.h"

#include <algorithm>
#include <deque>
#include <map>
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
        const auto folder = platform::CreateUniqueFolder(platform::TempFolder());
        m_path = folder.value_or(u"");
        m_error = folder.error();
    }
    ~MbmFolder() {
        if (m_path.empty()) return;
        for (const std::u16string& name :
             platform::ListFolder(m_path).value_or(std::vector<std::u16string>())) {
            platform::RemoveFile(m_path + platform::kPathSeparator + name);
        }
        platform::RemoveFolder(m_path);
    }
    MbmFolder(const MbmFolder&) = delete;
    MbmFolder& operator=(const MbmFolder&) = delete;

    // Ending in a separator; empty when none could be made, and error()
    // says why.
    std::u16string path() const {
        return m_path.empty() ? m_path : m_path + platform::kPathSeparator;
    }
    platform::SystemError error() const { return m_error; }

  private:
    std::u16string m_path;
    platform::SystemError m_error;
};

// Each worker holds at most three files open at once: its two inputs and
// the archive it writes.
constexpr std::uint64_t kFilesPerWorker = 3;
// Kept for the rest: the standard streams, the folder lock, the runtime's own.
constexpr std::uint64_t kFilesKept = 8;
// Finished archives that wait for their commit, each holding one file open
// (its own, or while it takes its name, its folder): two per worker, and
// two more, so that even a lone worker's flushes come together (the file
// system writes its journal once for the flushes that come at once).
constexpr unsigned kCommitsPerWorker = 2, kCommitsBeside = 2;

struct Concurrency {
    unsigned workers;
    std::size_t commits;  // archives that wait for their commit at most
};

// As many workers as asked, and archives waiting for their commit as serve
// them, but no more than the files the system lets the program hold open
// allow: a job that found none left would fail.
Concurrency WithinOpenFileLimit(unsigned workers) {
    const auto limit = platform::OpenFileLimit();
    if (!limit) return {workers, kCommitsPerWorker * workers + kCommitsBeside};
    const std::uint64_t files = *limit - std::min(*limit, kFilesKept);
    const std::uint64_t fit = (files - std::min<std::uint64_t>(files, kCommitsBeside)) /
                              (kFilesPerWorker + kCommitsPerWorker);
    workers = static_cast<unsigned>(std::clamp<std::uint64_t>(fit, 1, workers));
    const std::uint64_t left = files - std::min<std::uint64_t>(files, kFilesPerWorker * workers);
    return {workers, static_cast<std::size_t>(std::clamp<std::uint64_t>(
                         left, 1, kCommitsPerWorker * workers + kCommitsBeside))};
}

// A skin of the batch: its pairing, its place there, and where its archive
// tells how far it has come.
struct BatchSkin {
    BatchSkin(const pipeline::Pairing* pairingOf, std::size_t indexThere)
        : pairing(pairingOf), index(indexThere) {}
    const pipeline::Pairing* pairing;
    std::size_t index;
    pipeline::KoloProgress progress;
};

// Hands each job's verdict on as it is delivered, once its archive's
// commit has made it final, and the skin under way at each tick.
class Delivery final : public JobListener {
  public:
    Delivery(std::vector<pipeline::SkinVerdict>& verdicts, const std::deque<BatchSkin>& skins,
             VerdictListener& listener)
        : m_verdicts(verdicts), m_skins(skins), m_listener(listener) {}
    void Deliver(std::size_t job) override {
        pipeline::SettleVerdict(m_verdicts[job]);
        m_listener.Deliver(m_verdicts[job]);
    }
    void Finished(std::size_t count) override { m_listener.Finished(count); }
    void Tick(std::optional<std::size_t> underWay) override {
        if (!underWay) return m_listener.Working(std::nullopt);
        const BatchSkin& skin = m_skins[*underWay];
        m_listener.Working(SkinUnderWay{skin.pairing->skins[skin.index].job.strName,
                                        skin.pairing->folder, skin.progress.size,
                                        skin.progress.taken});
    }

  private:
    std::vector<pipeline::SkinVerdict>& m_verdicts;
    const std::deque<BatchSkin>& m_skins;
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

std::vector<pipeline::SkinVerdict> PackBatch(const std::vector<pipeline::Pairing>& pairings,
                                             const BatchSettings& settings,
                                             VerdictListener& listener) {
    std::deque<BatchSkin> skins;  // which holds what cannot move
    std::vector<pipeline::SkinJob> jobs;
    for (const pipeline::Pairing& pairing : pairings) {
        for (std::size_t i = 0; i < pairing.skins.size(); ++i) {
            skins.emplace_back(&pairing, i);
            jobs.push_back(pairing.skins[i].job);
        }
    }
    const MbmFolder mbmFolder(settings.pack.dryRun ? std::vector<pipeline::SkinJob>() : jobs);
    pipeline::PackSettings pack = settings.pack;
    pack.mbmFolder = mbmFolder.path();
    pack.mbmFolderError = mbmFolder.error();
    pack.makeOutputFolder = true;
    const Concurrency concurrency = WithinOpenFileLimit(settings.workers);
    // The archives' flushes and renames, beside the next skins' work; every
    // one is made (or, after a request to stop, removed) before the run
    // returns, so the output folder's lock covers them. A chain hands its
    // archives over in its order, which is the order their names are taken.
    std::optional<pipeline::KoloCommitter> committer;
    if (!pack.dryRun) pack.kolo.committer = &committer.emplace(concurrency.commits);

    // Each job fills in its own verdict, read once it is delivered.
    std::vector<pipeline::SkinVerdict> verdicts(skins.size());
    Delivery delivery(verdicts, skins, listener);
    RunJobs(
        skins.size(), ChainsOfSameFiles(jobs), concurrency.workers,
        [&](std::size_t i) {
            BatchSkin& skin = skins[i];
            if (platform::InterruptRequested()) {
                verdicts[i].name = jobs[i].strName;
                verdicts[i].folder = skin.pairing->folder;
                return;
            }
            pipeline::InProcessPacker packer;
            pipeline::PackSettings own = pack;
            own.kolo.progress = &skin.progress;
            verdicts[i] =
                pipeline::JudgeSkin(packer, own, settings.outputDir, *skin.pairing, skin.index);
        },
        delivery);
    return verdicts;
}

std::vector<SameOutput> SameOutputs(const std::vector<pipeline::Pairing>& pairings,
                                    std::u16string_view outputDir) {
    std::vector<SameOutput> same;
    // Each .kolo path with the first file of the first skin that makes it.
    std::map<std::u16string, const std::u16string*> makers;
    for (const pipeline::Pairing& pairing : pairings) {
        const std::u16string folder = pipeline::OutputFolderOf(pairing, outputDir);
        for (const pipeline::PairedSkin& skin : pairing.skins) {
            const std::u16string kolo =
                pipeline::KoloPathFor(pipeline::PakPathFor(folder, skin.job.strName));
            const auto [maker, isNew] = makers.emplace(kolo, &skin.first.path);
            if (!isNew) same.push_back({*maker->second, skin.first.path, kolo});
        }
    }
    return same;
}

}  // namespace mkkolo
