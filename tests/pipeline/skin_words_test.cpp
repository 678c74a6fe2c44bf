// The words for a verdict: each kind of fault, and a skin's whole report in
// mkkolo's wording and in the dialog application's log, which keeps its own
// lines and adds the faults after them.
#include "pipeline/skin_words.h"

#include <gtest/gtest.h>

#include "platform/text.h"

namespace pipeline {
namespace {

using Kind = Fault::Kind;
using Status = SkinStatus;

Fault Of(Kind kind, std::vector<std::u16string> paths = {}) {
    Fault fault;
    fault.kind = kind;
    fault.paths = std::move(paths);
    return fault;
}

TEST(WarningText, OneLinePerKind) {
    Fault layout = Of(Kind::kLayoutNotWellFormed, {u"a/x.xml"});
    layout.layout = {false, 2, 8, "mismatched tag"};
    Fault gbk = layout;
    gbk.layout.reason = "not well-formed (invalid token)";
    gbk.layout.looksLikeGb18030 = true;
    const struct {
        Fault fault;
        std::u16string text;
    } cases[] = {
        {Of(Kind::kUnusedFile, {u"a/x.mbm"}), u"警告: 皮肤【x】不用文件 a/x.mbm!\n"},
        {Of(Kind::kReplacedFile, {u"a/x.pxa", u"a/x.mbm"}),
         u"警告: 皮肤【x】用 a/x.pxa 代替了 a/x.mbm!\n"},
        {Of(Kind::kSameExtension, {u"a/x.PXA", u"b/x.pxa"}),
         u"警告: 皮肤【x】的两个文件都是 .PXA 文件!\n"},
        {Of(Kind::kTwoFolders, {u"a/x.pxa", u"x.xml"}),
         u"警告: 皮肤【x】的两个文件在不同的文件夹: a/ 与 .!\n"},
        {Of(Kind::kEmptyFile, {u"x.pxa"}), u"警告: 文件 x.pxa 是空的!\n"},
        {Of(Kind::kSameFile, {u"a/x.xml", u"a/./x.xml"}),
         u"警告: a/x.xml 与 a/./x.xml 是同一个文件!\n"},
        {layout,
         u"警告: 皮肤【x】的 a/x.xml 不是格式正确的 XML: 第 2 行第 8 列, mismatched tag!\n"},
        {gbk,
         u"警告: 皮肤【x】的 a/x.xml 不是格式正确的 XML: 第 2 行第 8 列, not well-formed "
         u"(invalid token)! 它像是 GBK 编码的: 在 XML 声明中写上 encoding='GBK', 或存为 UTF-8.\n"},
        {Of(Kind::kNotMultiBitmap, {u"x.mbm"}), u"警告: 皮肤【x】的 x.mbm 不是多位图文件!\n"},
    };
    for (const auto& c : cases) {
        EXPECT_TRUE(IsWarning(c.fault.kind));
        EXPECT_EQ(WarningText(u"x", c.fault, u"\n").Plain(), c.text);
    }
}

// A verdict with its faults, as JudgeSkin leaves it.
SkinVerdict Verdict(Status status, std::vector<Fault> faults = {}) {
    SkinVerdict verdict;
    verdict.name = std::u16string(1, u'x');
    verdict.first = {u"s/x.xml", {}, {}};
    verdict.second = {u"s/x.pxa", {}, {}};
    verdict.status = status;
    verdict.faults = std::move(faults);
    verdict.pakPath = u"o/x.pak";
    verdict.koloPath = u"o/x.kolo";
    return verdict;
}

TEST(VerdictText, MkkolosWordsAndTheLogsWords) {
    const std::u16string refused = u"\n打包【x】失败,原因:";
    Fault named = Of(Kind::kMissingBundle, {u"s/x.xml"});
    named.completion = Completion{u"s/X.pxa", true};
    Fault beside = Of(Kind::kMissingLayout, {u"s/x.pxa"});
    beside.completion = Completion{u"s/X.xml", false};
    Fault mbm = Of(Kind::kMbmNotPrepared);
    mbm.error = platform::SystemError{2};
    const std::u16string reason = platform::Describe(mbm.error);
    const auto ignored = [](InputLoss loss) {
        Fault fault = Of(Kind::kInputIgnored, {u"s/x.xml"});
        fault.loss = loss;
        return Verdict(Status::kFailed, {fault});
    };
    SkinVerdict packerFailed = Verdict(Status::kFailed, {Of(Kind::kPackerFailed)});
    packerFailed.packResult.emplace();
    packerFailed.packResult->error = quill::PackageError::kDiskFull;
    const struct {
        const char* what;
        SkinVerdict verdict;
        std::u16string mkkolo;
        // The log's, with "\r\n" where mkkolo has "\n"; nothing: the same.
        std::optional<std::u16string> log;
    } cases[] = {
        {"made", Verdict(Status::kMade), u"生成KOLO文件成功！\n路径:o/x.kolo\n", std::nullopt},
        {"made with a warning: mkkolo says so on the skin's own line",
         Verdict(Status::kMadeWithWarnings, {Of(Kind::kEmptyFile, {u"s/x.pxa"})}),
         u"生成KOLO文件成功, 但有 1 个警告！\n路径:o/x.kolo\n警告: 文件 s/x.pxa 是空的!\n",
         u"生成KOLO文件成功！\n路径:o/x.kolo\n警告: 文件 s/x.pxa 是空的!\n"},
        {"would make", Verdict(Status::kWouldMake), u"【x】 s/x.xml + s/x.pxa\n", std::nullopt},
        {"lacks a bundle, one differs in case", Verdict(Status::kRefused, {named}),
         refused + u"缺少文件(需两个同名的PXA文件与XML文件)!\n皮肤【x】只有 s/x.xml, "
                   u"缺少图像包(.pxa 或 .mbm): s/X.pxa 的名字只有大小写不同, 是另一个皮肤【X】!\n",
         std::nullopt},
        {"lacks a layout, one lies beside",
         Verdict(Status::kRefused, {Of(Kind::kUnusedFile, {u"s/x.mbm"}), beside}),
         refused + u"缺少文件(需两个同名的PXA文件与XML文件)!\n皮肤【x】只有 s/x.pxa, "
                   u"缺少布局文件(.xml): s/X.xml 就在旁边, 但不在要打包的文件中, "
                   u"且名字只有大小写不同!\n警告: 皮肤【x】不用文件 s/x.mbm!\n",
         std::nullopt},
        {"held back", Verdict(Status::kHeldBack, {Of(Kind::kHeldBack)}),
         refused + u"有警告(--strict)!\n", std::nullopt},
        {"an .mbm not prepared: the log keeps its line without the system's words",
         Verdict(Status::kFailed, {mbm}), refused + u"校正mbm文件失败: " + reason + u"!\n",
         refused + u"校正mbm文件失败!\n"},
        {"too large", Verdict(Status::kFailed, {Of(Kind::kKoloTooLarge, {u"o/x.kolo"})}),
         u"包太大, 压缩前或压缩后达到 4GB, 不用 ZIP64 的 .kolo 装不下, 未生成 o/x.kolo!\n"
         u"生成KOLO文件:【x】 失败！\n",
         std::nullopt},
        {"an input gone", ignored(InputLoss::kGone),
         refused + u"输入文件 s/x.xml 被忽略: 不存在!\n", std::nullopt},
        {"an input too large", ignored(InputLoss::kTooLarge),
         refused + u"输入文件 s/x.xml 被忽略: 达到 4GB!\n", std::nullopt},
        {"an input that is no file", ignored(InputLoss::kNotAFile),
         refused + u"输入文件 s/x.xml 被忽略: 不是文件!\n", std::nullopt},
        {"an input in use", ignored(InputLoss::kInUse),
         refused + u"输入文件 s/x.xml 被忽略: 正被另一个程序写入!\n", std::nullopt},
        {"a packer in this process that failed: quill's words name the .kolo", packerFailed,
         u"写入文件 o/x.kolo 失败, 磁盘空间不足!\n生成KOLO文件:【x】 失败！\n", std::nullopt},
        {"interrupted", Verdict(Status::kInterrupted), u"", std::nullopt},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(VerdictText(c.verdict, {u"\n", true, true}).Plain(), c.mkkolo) << c.what;
        std::u16string log = VerdictText(c.verdict, {u"\r\n"}).Plain();
        for (std::size_t at; (at = log.find(u"\r\n")) != std::u16string::npos;) log.erase(at, 1);
        EXPECT_EQ(log, c.log.value_or(c.mkkolo)) << c.what;
    }
}

}  // namespace
}  // namespace pipeline
