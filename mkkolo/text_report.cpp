#include "mkkolo/text_report.h"

#include "pipeline/skin_words.h"
#include "platform/text.h"

namespace mkkolo {
namespace {

using platform::Message;
using platform::ToDecimal;
using Status = pipeline::SkinStatus;

// mkkolo's wording: plain line ends, the system's reasons, and a skin made
// with warnings told apart on its success line.
constexpr pipeline::Wording kWording{u"\n", true, true};

struct Counts {
    std::size_t made = 0, warned = 0, failed = 0, notRun = 0;
    Message failedNames;
};

Counts Count(const std::vector<pipeline::SkinVerdict>& verdicts) {
    Counts counts;
    for (const pipeline::SkinVerdict& verdict : verdicts) {
        switch (verdict.status) {
            case Status::kMadeWithWarnings:
                ++counts.warned;
                [[fallthrough]];
            case Status::kMade:
            case Status::kWouldMake:
                ++counts.made;
                break;
            case Status::kHeldBack:
            case Status::kRefused:
            case Status::kFailed:
                ++counts.failed;
                counts.failedNames +=
                    u"【" + Message::Name(pipeline::NameBelowOutput(verdict.folder, verdict.name)) +
                    u"】";
                break;
            case Status::kInterrupted:
                ++counts.notRun;
                break;
        }
    }
    return counts;
}

}  // namespace

TextReport::TextReport(platform::Console& console, std::size_t total, bool quiet, LogStream stream)
    : m_console(console),
      m_total(total),
      m_quiet(quiet),
      m_stream(stream),
      m_showProgress(!quiet && console.ErrIsTerminal()) {}

TextReport::~TextReport() {
    ClearProgress();
}

void TextReport::Deliver(const pipeline::SkinVerdict& verdict) {
    if (m_quiet && verdict.status == Status::kMade) return;
    const Message text = pipeline::VerdictText(verdict, kWording);
    if (!text.empty()) Say(text);
}

void TextReport::Finished(std::size_t count) {
    m_done = count;
    // What comes after the last skin (the report for scripts, the closing
    // line) finds no status line.
    if (m_done == m_total) ClearProgress();
}

void TextReport::Working(const std::optional<SkinUnderWay>& skin) {
    if (!m_showProgress || m_done == m_total) return;
    m_console.ErrStatus(ProgressLine(m_done, m_total, skin));
    m_progressShown = true;
}

void TextReport::Say(const Message& text) {
    ClearProgress();
    if (m_stream == LogStream::kOut) {
        m_console.Out(text);
    } else {
        m_console.Err(text);
    }
}

void TextReport::ClearProgress() {
    if (!m_progressShown) return;
    m_console.ErrStatus({});
    m_progressShown = false;
}

Message ProgressLine(std::size_t done, std::size_t total, const std::optional<SkinUnderWay>& skin) {
    Message line = u"进度 " + ToDecimal(done) + u"/" + ToDecimal(total);
    if (!skin) return line;
    line += u" 【" + Message::Name(pipeline::NameBelowOutput(skin->folder, skin->name)) + u"】";
    if (skin->size == 0) return line;
    if (skin->taken >= skin->size) return line + u" 压缩中";
    return line + u" " + ToDecimal(skin->taken * 100 / skin->size) + u"%";
}

Message ClosingLine(const std::vector<pipeline::SkinVerdict>& verdicts) {
    const Counts counts = Count(verdicts);
    Message closing = u"已完成: " + ToDecimal(counts.made) + u" 个皮肤已生成";
    if (counts.warned != 0) closing += u", 其中 " + ToDecimal(counts.warned) + u" 个有警告";
    closing += u", " + ToDecimal(counts.failed) + u" 个失败";
    if (counts.failed == 0) return closing + u".\n";
    return closing + u": " + counts.failedNames + u"\n";
}

Message InterruptedLine(const std::vector<pipeline::SkinVerdict>& verdicts) {
    const Counts counts = Count(verdicts);
    return u"已中断: " + ToDecimal(counts.made) + u" 个皮肤已生成, " + ToDecimal(counts.failed) +
           u" 个失败, " + ToDecimal(counts.notRun) + u" 个未打包!\n";
}

}  // namespace mkkolo
