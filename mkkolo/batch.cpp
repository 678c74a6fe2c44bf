#include "mkkolo/batch.h"

#include <algorithm>
#include <map>

#include "app/in_process_packer.h"
#include "app/pack_skin.h"
#include "mkkolo/job_runner.h"
#include "platform/text.h"

namespace mkkolo {
namespace {

// The log frames its texts with Windows line ends ("\r\n").
std::u16string PlainLineEnds(std::u16string_view text) {
    std::u16string plain;
    plain.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != u'\r' || i + 1 == text.size() || text[i + 1] != u'\n') plain += text[i];
    }
    return plain;
}

class Reporter final : public JobListener {
  public:
    Reporter(Console& console, std::size_t total, bool quiet)
        : m_console(console),
          m_total(total),
          m_bQuiet(quiet),
          m_bShowProgress(console.ErrIsTerminal()) {}

    void Deliver(std::size_t, JobResult result) override {
        if (!result.succeeded) m_bAllPacked = false;
        if (m_bQuiet && result.succeeded) return;
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

    bool allPacked() const { return m_bAllPacked; }

  private:
    Console& m_console;
    const std::size_t m_total;
    const bool m_bQuiet;
    const bool m_bShowProgress;
    std::u16string m_strProgress;  // what the progress line shows now
    bool m_bAllPacked = true;
};

}  // namespace

std::vector<std::vector<std::size_t>> ChainsOfSameFiles(const std::vector<vellum::SkinJob>& jobs) {
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

bool PackBatch(const std::vector<vellum::SkinJob>& jobs, const BatchSettings& settings,
               Console& console) {
    vellum::PackSettings pack;
    pack.entryTime = settings.entryTime;

    Reporter reporter(console, jobs.size(), settings.quiet);
    RunJobs(
        jobs.size(), ChainsOfSameFiles(jobs), settings.workers,
        [&](std::size_t i) {
            const vellum::SkinJob& job = jobs[i];
            vellum::InProcessPacker packer;
            std::u16string log;
            const vellum::SkinOutcome outcome =
                vellum::PackSkin(packer, pack, settings.outputDir, job.strName, job.strFirstFile,
                                 job.strSecondFile, log);
            return JobResult{PlainLineEnds(log), outcome == vellum::SkinOutcome::kKoloWritten};
        },
        reporter);
    reporter.ClearProgress();
    return reporter.allPacked();
}

}  // namespace mkkolo
