#include "pipeline/skin_words.h"

#include <iterator>

#include "packer/pack_texts.h"
#include "platform/paths.h"
#include "platform/text.h"

namespace pipeline {
namespace {

using Kind = Fault::Kind;
using platform::Message;

// A file's folder as a person would name it.
std::u16string FolderName(std::u16string_view path) {
    const std::u16string_view folder = platform::FolderOf(path);
    return folder.empty() ? u"." : std::u16string(folder);
}

// "Packing [name] failed, reason: <reason>!", between two line ends.
Message Refused(std::u16string_view name, const Message& reason, std::u16string_view lineEnd) {
    return lineEnd + (u"打包【" + Message::Name(name) + u"】失败,原因:") + reason + u"!" + lineEnd;
}

// "Making the .kolo of [skin] failed!"
Message KoloFailed(std::u16string_view name, std::u16string_view lineEnd) {
    return u"生成KOLO文件:【" + Message::Name(name) + u"】 失败！" + lineEnd;
}

// Why the package would lack an input.
std::u16string_view LossWords(InputLoss loss) {
    switch (loss) {
        case InputLoss::kGone:
            return u"不存在";
        case InputLoss::kTooLarge:
            return u"达到 4GB";
        case InputLoss::kNotAFile:
            return u"不是文件";
        case InputLoss::kInUse:
            return u"正被另一个程序写入";
    }
    return {};
}

// The names, joined by " 与 " ("and").
Message Names(const std::vector<std::u16string>& paths) {
    Message names;
    for (std::size_t i = 0; i < paths.size(); ++i)
        names += (i == 0 ? Message() : Message(u" 与 ")) + Message::Name(paths[i]);
    return names;
}

// What a skin that is no layout and image bundle has, lacks, and what would
// complete it.
Message MissingDetail(const SkinVerdict& verdict, const Fault& fault) {
    const Message skin = u"皮肤【" + Message::Name(verdict.name) + u"】";
    if (fault.kind == Kind::kMissingFiles) {
        return skin + u"的 " + Names(fault.paths) + u" 都不是布局文件(.xml)或图像包(.pxa 或 .mbm)!";
    }
    Message detail =
        skin + u"只有 " + Names(fault.paths) + u", 缺少" +
        (fault.kind == Kind::kMissingLayout ? u"布局文件(.xml)" : u"图像包(.pxa 或 .mbm)");
    if (const auto& completion = fault.completion) {
        const std::u16string other = platform::SkinFileName(completion->path);
        detail += u": " + Message::Name(completion->path);
        if (completion->named) {
            detail += u" 的名字只有大小写不同, 是另一个皮肤【" + Message::Name(other) + u"】";
        } else {
            detail += u" 就在旁边, 但不在要打包的文件中";
            if (other != verdict.name) detail += u", 且名字只有大小写不同";
        }
    }
    return detail + u"!";
}

}  // namespace

Message WarningText(std::u16string_view name, const Fault& warning, std::u16string_view lineEnd) {
    const Message skin = u"皮肤【" + Message::Name(name) + u"】";
    const std::vector<std::u16string>& paths = warning.paths;
    switch (warning.kind) {
        case Kind::kUnusedFile:
            return u"警告: " + skin + u"不用文件 " + Message::Name(paths[0]) + u"!" + lineEnd;
        case Kind::kReplacedFile:
            return u"警告: " + skin + u"用 " + Message::Name(paths[0]) + u" 代替了 " +
                   Message::Name(paths[1]) + u"!" + lineEnd;
        case Kind::kSameExtension:
            return u"警告: " + skin + u"的两个文件都是 " +
                   Message::Name(platform::FindExtension(platform::FindFileName(paths[0]))) +
                   u" 文件!" + lineEnd;
        case Kind::kTwoFolders:
            return u"警告: " + skin + u"的两个文件在不同的文件夹: " +
                   Message::Name(FolderName(paths[0])) + u" 与 " +
                   Message::Name(FolderName(paths[1])) + u"!" + lineEnd;
        case Kind::kEmptyFile:
            return platform::Say(u"警告: 文件 ", paths[0], u" 是空的!") + lineEnd;
        case Kind::kSameFile:
            return u"警告: " + Message::Name(paths[0]) + u" 与 " + Message::Name(paths[1]) +
                   u" 是同一个文件!" + lineEnd;
        case Kind::kLayoutNotWellFormed: {
            const LayoutVerdict& layout = warning.layout;
            Message text = u"警告: " + skin + u"的 " + Message::Name(paths[0]) +
                           u" 不是格式正确的 XML: 第 " + platform::ToDecimal(layout.line) +
                           u" 行第 " + platform::ToDecimal(layout.column) + u" 列, " +
                           platform::Utf8ToUtf16(layout.reason) + u"!";
            if (layout.looksLikeGb18030) {
                text += u" 它像是 GBK 编码的: 在 XML 声明中写上 encoding='GBK', 或存为 UTF-8.";
            }
            return text + lineEnd;
        }
        case Kind::kNotMultiBitmap:
            return u"警告: " + skin + u"的 " + Message::Name(paths[0]) + u" 不是多位图文件!" +
                   lineEnd;
        case Kind::kMissingLayout:
        case Kind::kMissingBundle:
        case Kind::kMissingFiles:
        case Kind::kInputIsOutput:
        case Kind::kDeviceName:
        case Kind::kMbmNotPrepared:
        case Kind::kPackerNotStarted:
        case Kind::kPackerFailed:
        case Kind::kKoloFailed:
        case Kind::kKoloTooLarge:
        case Kind::kKoloNotAsWritten:
        case Kind::kInputIgnored:
        case Kind::kHeldBack:  // no warnings: see FailureText
            break;
    }
    return {};
}

Message FailureText(const SkinVerdict& verdict, const Fault& failure, const Wording& wording) {
    const std::u16string_view end = wording.lineEnd;
    const std::u16string& name = verdict.name;
    switch (failure.kind) {
        case Kind::kMissingLayout:
        case Kind::kMissingBundle:
        case Kind::kMissingFiles:
            return Refused(name, u"缺少文件(需两个同名的PXA文件与XML文件)", end) +
                   MissingDetail(verdict, failure) + end;
        case Kind::kInputIsOutput:
            return Refused(name, platform::Say(u"输入文件 ", failure.paths[0], u" 与输出文件相同"),
                           end);
        case Kind::kDeviceName:
            return Refused(name, u"文件名 " + Message::Name(name) + u".kolo 是系统保留的设备名",
                           end);
        case Kind::kMbmNotPrepared:
            if (wording.systemReasons && failure.error.code != 0) {
                return Refused(name, u"校正mbm文件失败: " + platform::Describe(failure.error), end);
            }
            return Refused(name, u"校正mbm文件失败", end);
        case Kind::kKoloTooLarge:
            return platform::Say(
                       u"包太大, 压缩前或压缩后达到 4GB, 不用 ZIP64 的 .kolo 装不下, 未生成 ",
                       failure.paths[0], u"!") +
                   end + KoloFailed(name, end);
        case Kind::kKoloNotAsWritten:
            return platform::Say(u"写入的 ", failure.paths[0], u" 读回核对不符, 未生成!") + end +
                   KoloFailed(name, end);
        case Kind::kPackerFailed:
        case Kind::kKoloFailed:
            return KoloFailed(name, end);
        case Kind::kInputIgnored:
            return Refused(name,
                           platform::Say(u"输入文件 ", failure.paths[0], u" 被忽略: ") +
                               LossWords(failure.loss),
                           end);
        case Kind::kHeldBack:
            return Refused(name, u"有警告(--strict)", end);
        case Kind::kPackerNotStarted:  // the runner's message says it all
        case Kind::kUnusedFile:
        case Kind::kReplacedFile:
        case Kind::kSameExtension:
        case Kind::kTwoFolders:
        case Kind::kEmptyFile:
        case Kind::kSameFile:
        case Kind::kLayoutNotWellFormed:
        case Kind::kNotMultiBitmap:  // warnings: see WarningText
            break;
    }
    return {};
}

Message PackerWords(const SkinVerdict& verdict, bool summary, std::u16string_view lineEnd) {
    if (!verdict.packResult) return {};
    const quill::PackResult& packed = *verdict.packResult;
    Message words;
    for (const std::u16string& path : packed.ignored) words += quill::IgnoredText(path, lineEnd);
    if (packed.prepared && summary) words += quill::SummaryText(packed.packed);
    const Fault* failure = verdict.Failure();
    if (!failure || failure->kind != Kind::kPackerFailed) return words;
    // Of the words about writing or memory, which name the file the skin
    // makes, that file is the .kolo: a packer in this process makes no
    // package file.
    const bool writing = packed.error == quill::PackageError::kCreateOutput ||
                         packed.error == quill::PackageError::kWriteOutput ||
                         packed.error == quill::PackageError::kDiskFull ||
                         packed.error == quill::PackageError::kOutOfMemory;
    const bool intoKolo = writing && !verdict.koloPath.empty();
    return words + quill::FailureText(packed, intoKolo ? verdict.koloPath : verdict.pakPath,
                                      std::size(quill::kDefaultPackageName) - 1);
}

Message VerdictText(const SkinVerdict& verdict, const Wording& wording) {
    if (verdict.status == SkinStatus::kInterrupted) return {};
    const std::u16string_view end = wording.lineEnd;
    // Held back, a skin counts as not packed, whatever the packer did.
    Message text = verdict.packerText;
    if (verdict.status != SkinStatus::kHeldBack) text += PackerWords(verdict, true, end);
    if (verdict.Made() && !verdict.koloPath.empty()) {
        const std::size_t warnings = verdict.WarningCount();
        text += (wording.markWarnings && warnings != 0
                     ? u"生成KOLO文件成功, 但有 " + platform::ToDecimal(warnings) + u" 个警告！"
                     : Message(u"生成KOLO文件成功！")) +
                end + u"路径:" + Message::Name(verdict.koloPath) + end;
    } else if (verdict.status == SkinStatus::kWouldMake) {
        text += u"【" + Message::Name(verdict.name) + u"】 " + Message::Name(verdict.first.path) +
                u" + " + Message::Name(verdict.second.path) + end;
    } else if (const Fault* failure = verdict.Failure()) {
        text += FailureText(verdict, *failure, wording);
    }
    for (const Fault& fault : verdict.faults) {
        if (IsWarning(fault.kind)) text += WarningText(verdict.name, fault, end);
    }
    return text;
}

}  // namespace pipeline
