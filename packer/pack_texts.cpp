#include "packer/pack_texts.h"

#include "platform/text.h"

namespace quill {

using platform::Message;
using platform::Say;

namespace {

// ": " and the system's words for a failure, where it gave some.
std::u16string Because(const std::u16string& reason) {
    return reason.empty() ? reason : u": " + reason;
}

}  // namespace

Message UsageText(std::u16string_view lineEnd) {
    return u"参数:[-n 包名] [输出文件] [输入文件1] [输入文件3]..." + Message(lineEnd);
}

Message IgnoredText(const std::u16string& path, std::u16string_view lineEnd) {
    return Say(u"文件 ", path, u" 被忽略!") + lineEnd;
}

Message SummaryText(const std::vector<PackedInput>& inputs) {
    Message text = u"\n" + platform::ToDecimal(inputs.size()) + u" 个文件被打包.\n" +
                   u"-----------------------------------------------\n";
    for (const PackedInput& input : inputs) {
        text += Message::Name(input.path) + (u"\t" + platform::ToDecimal(input.size) + u" 字节\n");
    }
    return text;
}

Message FailureText(const PackResult& result, std::u16string_view output, std::size_t nameLength) {
    switch (result.error) {
        case PackageError::kNameTooLong:
            return u"包名过长(" + platform::ToDecimal(nameLength) + u" 字节), 最多 " +
                   platform::ToDecimal(kMaxPackageNameLength) + u" 字节, 未打包!\n";
        case PackageError::kNoEntries:
            return Say(u"没有可打包的文件, 未生成 ", output, u"!\n");
        case PackageError::kTooLarge:
            return Say(u"文件总大小超过 4GB, 未生成 ", output, u"!\n");
        case PackageError::kOutOfMemory:
            return Say(u"内存不足, 未生成 ", output, u"!\n");
        case PackageError::kSameAsInput:
            return Say(u"输出文件 ", output, u" 是输入文件之一, 未打包!\n");
        case PackageError::kCreateOutput:
            return Say(u"无法创建文件 ", output, Because(result.reason) + u"!\n");
        case PackageError::kWriteOutput:
            return Say(u"写入文件 ", output, u" 失败" + Because(result.reason) + u"!\n");
        case PackageError::kDiskFull:
            return Say(u"写入文件 ", output, u" 失败, 磁盘空间不足!\n");
        case PackageError::kOpenInput:
            return Say(u"打开文件 ", result.failedInput, u" 失败: ") + result.reason +
                   u", 未生成包!\n";
        case PackageError::kReadInput:
            return Say(u"读取文件 ", result.failedInput, u" 失败, 未生成包!\n");
        case PackageError::kInputChanged:
            return Say(u"文件 ", result.failedInput, u" 在打包时被改动, 未生成包!\n");
        case PackageError::kInterrupted:  // the one who stopped it knows
        case PackageError::kNone:
            break;
    }
    return {};
}

}  // namespace quill
