#include "pipeline/skin_words.h"

#include "platform/text.h"

namespace pipeline {
namespace {

using platform::Message;

// "Making the .kolo of [skin] failed!"
Message Failed(const Message& skin, const Message& end) {
    return u"生成KOLO文件:【" + skin + u"】 失败！" + end;
}

}  // namespace

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
        case SkinOutcome::kHeldBack:  // in the words of the front end that asked for it
            break;
    }
    return {};
}

}  // namespace pipeline
