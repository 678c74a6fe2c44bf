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
      m_bQuiet(quiet),
      m_stream(stream),
      m_bShowProgress(console.ErrIsTerminal()) {}

TextReport::~TextReport() {
    ClearProgress();
}

void TextReport::Deliver(const pipeline::SkinVerdict& verdict) {
    if (m_bQuiet && verdict.status == Status::kMade) return;
    const Message text = pipeline::VerdictText(verdict, kWording);
    if (!text.empty()) Say(text);
}

// The counter only grows, so each line covers the one before.
void TextReport::Finished(std::size_t count) {
    if (!m_bShowProgress) return;
    m_strProgress = u"进度 " + ToDecimal(count) + u"/" + ToDecimal(m_total);
    m_console.Err(u"\r" + m_strProgress);
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
    if (m_strProgress.empty()) return;
    // Chinese characters take two columns.
    m_console.Err(u"\r" + std::u16string(2 * m_strProgress.size(), u' ') + u"\r");
    m_strProgress.clear();
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
