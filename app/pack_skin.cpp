#include "app/pack_skin.h"

#include "app/kolo.h"
#include "app/mbm.h"
#include "app/skin_jobs.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "platform/text.h"

namespace vellum {
namespace {

// "Packing [name] failed, reason: ..."
void LogRefused(std::u16string& log, std::u16string_view name, std::u16string_view reason) {
    log += u"\r\n打包【";
    log += name;
    log += u"】失败,原因:";
    log += reason;
    log += u"!\r\n";
}

void LogKoloWritten(std::u16string& log, std::u16string_view koloPath) {
    log += u"生成KOLO文件成功！\r\n路径:";
    log += koloPath;
    log += u"\r\n";
}

void LogKoloFailed(std::u16string& log, std::u16string_view name) {
    log += u"生成KOLO文件:【";
    log += name;
    log += u"】 失败！\r\n";
}

// An .mbm input is replaced by its prepared copy; false when there is none.
bool PrepareInput(std::u16string& input) {
    if (!HasExtension(input, u".mbm")) return true;
    input = PrepareMbmFile(input);
    return platform::PathExists(input);
}

}  // namespace

std::u16string PakPathFor(std::u16string_view outputDir, std::u16string_view name) {
    return std::u16string(outputDir) + platform::kPathSeparator + std::u16string(name) + u".pak";
}

std::u16string PackerArguments(std::u16string_view pakPath, std::u16string_view first,
                               std::u16string_view second) {
    std::u16string arguments;
    for (std::u16string_view path : {pakPath, first, second}) {
        arguments += u" \"";
        arguments += path;
        arguments += u"\"";
    }
    return arguments;
}

SkinOutcome PackSkin(Packer& packer, const PackSettings& settings, std::u16string_view outputDir,
                     std::u16string_view name, std::u16string_view firstFile,
                     std::u16string_view secondFile, std::u16string& log) {
    const std::u16string pakPath = PakPathFor(outputDir, name);
    if (firstFile.empty() || secondFile.empty() ||
        platform::EqualIgnoringCase(firstFile, secondFile)) {
        LogRefused(log, name, u"缺少文件(需两个同名的PXA文件与XML文件)");
        return SkinOutcome::kMissingFiles;
    }
    std::u16string input1(firstFile), input2(secondFile);
    if (!PrepareInput(input1) || !PrepareInput(input2)) {
        LogRefused(log, name, u"校正mbm文件失败");
        return SkinOutcome::kMbmFailed;
    }
    if (!packer.Pack(pakPath, input1, input2, log)) return SkinOutcome::kPackerFailed;
    if (!settings.createKolo) return SkinOutcome::kPacked;
    if (!MakeKoloPackage(pakPath, true, settings.entryTime)) {
        LogKoloFailed(log, name);
        return SkinOutcome::kKoloFailed;
    }
    LogKoloWritten(log, KoloPathFor(pakPath));
    return SkinOutcome::kKoloWritten;
}

}  // namespace vellum
