// mkkolo's words for a run: each skin's report as it is done, then the
// closing line, all on one stream, so that one redirection keeps a whole
// log. The verdicts decide; this only words them.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "mkkolo/batch.h"
#include "pipeline/verdict.h"
#include "platform/console.h"
#include "platform/message.h"

namespace mkkolo {

// Where the skins' reports go: standard output, or standard error when
// standard output carries the report for scripts.
enum class LogStream { kOut, kErr };

// A person at a terminal who did not ask for quiet sees how far the run has
// come on a status line: the skins done of all, and the first skin under
// way with the share of its package taken into its archive ("压缩中" once
// it is all there). It is erased before any other line, and at the end.
class TextReport final : public VerdictListener {
  public:
    // `quiet`: the skins made without a warning are not reported.
    TextReport(platform::Console& console, std::size_t total, bool quiet, LogStream stream);
    ~TextReport() override;

    void Deliver(const pipeline::SkinVerdict& verdict) override;
    void Finished(std::size_t count) override;
    void Working(const std::optional<SkinUnderWay>& skin) override;

    // A line of the log after the skins' reports.
    void Say(const platform::Message& text);

  private:
    void ClearProgress();

    platform::Console& m_console;
    const std::size_t m_total;
    const bool m_quiet;
    const LogStream m_stream;
    const bool m_showProgress;
    std::size_t m_done = 0;
    bool m_progressShown = false;
};

// The status line: "进度 3/10 【red/theme】 42%".
platform::Message ProgressLine(std::size_t done, std::size_t total,
                               const std::optional<SkinUnderWay>& skin);

// "Done: N skins made[, M of them with warnings], K failed[: [a][b]]." A
// failed skin is named with its folder below the output folder.
platform::Message ClosingLine(const std::vector<pipeline::SkinVerdict>& verdicts);

// "Interrupted: N skins made, K failed, L not packed!"
platform::Message InterruptedLine(const std::vector<pipeline::SkinVerdict>& verdicts);

}  // namespace mkkolo
