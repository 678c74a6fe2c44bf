#include "pipeline/pack_skin.h"

#include "pipeline/kolo.h"
#include "pipeline/mbm.h"
#include "pipeline/skin_jobs.h"
#include "platform/files.h"
#include "platform/interrupt.h"
#include "platform/paths.h"
#include "platform/text.h"

namespace pipeline {
namespace {

using platform::Message;

// An .mbm input is replaced by its prepared copy; false when there is
// none, with the system's reason in `error` where it gave one.
bool PrepareInput(std::u16string& input, const PackSettings& settings,
                  platform::SystemError& error) {
    if (!platform::HasExtension(input, u".mbm")) return true;
    if (settings.mbmFolder.empty()) {
        error = settings.mbmFolderError;
        return false;
    }
    input = PrepareMbmFile(input, settings.mbmFolder, &error);
    return platform::PathExists(input);
}

// A skin is one layout and one image bundle, in either order.
bool IsLayoutAndBundle(std::u16string_view a, std::u16string_view b) {
    const auto bundle = [](std::u16string_view path) {
        return platform::HasExtension(path, u".pxa") || platform::HasExtension(path, u".mbm");
    };
    return (platform::HasExtension(a, u".xml") && bundle(b)) ||
           (bundle(a) && platform::HasExtension(b, u".xml"));
}

SkinResult Outcome(SkinOutcome outcome, Message packerText = {}) {
    SkinResult result;
    result.outcome = outcome;
    result.packerText = std::move(packerText);
    return result;
}

// What became of a skin whose packer did not succeed; nothing when it did.
std::optional<SkinResult> PackerFailure(PackerRun& run) {
    switch (run.status) {
        case PackerRun::Status::kNotStarted:
            return Outcome(SkinOutcome::kPackerNotStarted, std::move(run.text));
        case PackerRun::Status::kFailed:
            return Outcome(SkinOutcome::kPackerFailed, std::move(run.text));
        case PackerRun::Status::kInterrupted:
            return Outcome(SkinOutcome::kInterrupted, std::move(run.text));
        case PackerRun::Status::kSucceeded:
            break;
    }
    return std::nullopt;
}

SkinResult AboutKolo(SkinOutcome outcome, std::u16string koloPath, Message packerText) {
    SkinResult result = Outcome(outcome, std::move(packerText));
    result.koloPath = std::move(koloPath);
    return result;
}

// The skin's outcome when its .kolo could not be made for a reason that
// only the archive knows.
SkinOutcome ArchiveOutcome(KoloWriter::Result archive) {
    switch (archive) {
        case KoloWriter::Result::kTooLarge:
            return SkinOutcome::kKoloTooLarge;
        case KoloWriter::Result::kNotAsWritten:
            return SkinOutcome::kKoloNotAsWritten;
        case KoloWriter::Result::kInterrupted:
            return SkinOutcome::kInterrupted;
        default:
            return SkinOutcome::kKoloFailed;
    }
}

// "Making the .kolo of [skin] failed!"
Message Failed(const Message& skin, const Message& end) {
    return u"生成KOLO文件:【" + skin + u"】 失败！" + end;
}

}  // namespace

std::u16string PakPathFor(std::u16string_view outputDir, std::u16string_view name) {
    return std::u16string(outputDir) + platform::kPathSeparator + std::u16string(name) + u".pak";
}

std::optional<SkinResult> RefuseSkin(std::u16string_view outputDir, std::u16string_view name,
                                     std::u16string_view firstFile,
                                     std::u16string_view secondFile) {
    const std::u16string pakPath = PakPathFor(outputDir, name);
    if (firstFile.empty() || secondFile.empty() ||
        platform::EqualIgnoringCase(firstFile, secondFile)) {
        return Outcome(SkinOutcome::kMissingFiles);
    }
    // Written to, a device name would reach the device, not a file.
    const std::u16string koloPath = KoloPathFor(pakPath);
    if (platform::IsDeviceName(pakPath) || platform::IsDeviceName(koloPath)) {
        return Outcome(SkinOutcome::kDeviceName);
    }
    // The package and the .kolo replace what stands at their paths: a user's
    // file there, given as an input, would be lost.
    for (std::u16string_view input : {firstFile, secondFile}) {
        if (platform::SameFile(input, pakPath) || platform::SameFile(input, koloPath)) {
            SkinResult result = Outcome(SkinOutcome::kInputIsOutput);
            result.input = input;
            return result;
        }
    }
    if (!IsLayoutAndBundle(firstFile, secondFile)) return Outcome(SkinOutcome::kMissingFiles);
    return std::nullopt;
}

SkinResult PackSkin(Packer& packer, const PackSettings& settings, std::u16string_view outputDir,
                    std::u16string_view name, std::u16string_view firstFile,
                    std::u16string_view secondFile) {
    if (auto refused = RefuseSkin(outputDir, name, firstFile, secondFile)) return *refused;
    const std::u16string pakPath = PakPathFor(outputDir, name);
    const std::u16string koloPath = KoloPathFor(pakPath);
    std::u16string input1(firstFile), input2(secondFile);
    platform::SystemError mbmError;
    if (!PrepareInput(input1, settings, mbmError) || !PrepareInput(input2, settings, mbmError)) {
        SkinResult result = Outcome(SkinOutcome::kMbmFailed);
        result.systemError = mbmError;
        return result;
    }

    KoloOptions kolo;
    kolo.level = settings.level;
    kolo.entryTime = settings.entryTime;
    if (settings.createKolo) {
        if (std::optional<PackerRun> run = packer.PackIntoKolo(pakPath, input1, input2, kolo)) {
            if (run->archive != KoloWriter::Result::kOk) {
                return AboutKolo(ArchiveOutcome(run->archive), koloPath, std::move(run->text));
            }
            if (auto failure = PackerFailure(*run)) return std::move(*failure);
            return AboutKolo(SkinOutcome::kKoloWritten, koloPath, std::move(run->text));
        }
    }

    if (platform::KindOfPath(pakPath) == platform::PathKind::kFile) platform::RemoveFile(pakPath);
    PackerRun run = packer.Pack(pakPath, input1, input2);
    if (auto failure = PackerFailure(run)) return std::move(*failure);
    if (!settings.createKolo) return Outcome(SkinOutcome::kPacked, std::move(run.text));
    const KoloWriter::Result made = MakeKoloPackage(pakPath, true, kolo);
    if (made == KoloWriter::Result::kOk) {
        return AboutKolo(SkinOutcome::kKoloWritten, koloPath, std::move(run.text));
    }
    // Stopped half way, the package this run made goes too.
    if (platform::InterruptRequested()) {
        platform::RemoveFile(pakPath);
        return Outcome(SkinOutcome::kInterrupted, std::move(run.text));
    }
    return AboutKolo(ArchiveOutcome(made), koloPath, std::move(run.text));
}

Message RefusedText(std::u16string_view name, const Message& reason, std::u16string_view lineEnd) {
    return lineEnd + (u"打包【" + Message::Name(name) + u"】失败,原因:") + reason + u"!" + lineEnd;
}

Message OutcomeText(const SkinResult& result, std::u16string_view name, std::u16string_view lineEnd,
                    bool systemReasons) {
    const Message skin = Message::Name(name), end(lineEnd);
    const auto refused = [&](const Message& reason) { return RefusedText(name, reason, lineEnd); };
    switch (result.outcome) {
        case SkinOutcome::kMissingFiles:
            return refused(u"缺少文件(需两个同名的PXA文件与XML文件)");
        case SkinOutcome::kInputIsOutput:
            return refused(platform::Say(u"输入文件 ", result.input, u" 与输出文件相同"));
        case SkinOutcome::kDeviceName:
            return refused(u"文件名 " + skin + u".kolo 是系统保留的设备名");
        case SkinOutcome::kMbmFailed:
            if (systemReasons && result.systemError.code != 0) {
                return refused(u"校正mbm文件失败: " + platform::Describe(result.systemError));
            }
            return refused(u"校正mbm文件失败");
        case SkinOutcome::kKoloTooLarge:
            return platform::Say(
                       u"包太大, 压缩前或压缩后达到 4GB, 不用 ZIP64 的 .kolo 装不下, 未生成 ",
                       result.koloPath, u"!") +
                   end + Failed(skin, end);
        case SkinOutcome::kKoloNotAsWritten:
            return platform::Say(u"写入的 ", result.koloPath, u" 读回核对不符, 未生成!") + end +
                   Failed(skin, end);
        case SkinOutcome::kPackerFailed:
        case SkinOutcome::kKoloFailed:
            return Failed(skin, end);
        case SkinOutcome::kKoloWritten:
            return u"生成KOLO文件成功！" + end + u"路径:" + Message::Name(result.koloPath) + end;
        case SkinOutcome::kPackerNotStarted:  // the runner's message says it all
        case SkinOutcome::kPacked:
        case SkinOutcome::kInterrupted:
            break;
    }
    return {};
}

}  // namespace pipeline
