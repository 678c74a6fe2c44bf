#include "packer/pack_job.h"

#include "platform/files.h"
#include "platform/system_error.h"
#include "platform/text.h"

namespace quill {
namespace {

void PrintIgnored(ConsoleWriter& console, const std::u16string& path) {
    console.Text(u"文件 ");
    console.Path(path);
    console.Text(u" 被忽略!\r\n");
}

// "<before><path><after>"
void PrintAboutPath(ConsoleWriter& console, std::u16string_view before, std::u16string_view path,
                    std::u16string_view after) {
    console.Text(before);
    console.Path(path);
    console.Text(after);
}

// What stood at the output path would have been replaced by the package:
// after a failure it must not pass for it. An input at that path stays, and
// a device is no package.
void RemoveStaleOutput(const PackJob& job) {
    if (platform::KindOfPath(job.output) != platform::PathKind::kFile) return;
    for (const std::u16string& input : job.inputs) {
        if (platform::SameFile(job.output, input)) return;
    }
    platform::RemoveFile(job.output);
}

}  // namespace

PackResult PackInto(const PackJob& job, ConsoleWriter& console, const PackageWriter& write) {
    PackResult result;
    if (job.name.size() > kMaxPackageNameLength) {
        result.error = PackageError::kNameTooLong;
        return result;
    }
    Package package(console);
    for (const std::u16string& input : job.inputs) {
        if (!platform::PathExists(input)) {
            PrintIgnored(console, input);
            continue;
        }
        // An input that exists but is no file or is locked for writing
        // is passed over without a word.
        const AddResult added = package.AddFile(input);
        if (added == AddResult::kTooLarge) PrintIgnored(console, input);
        if (added == AddResult::kFailed) {
            result.error = PackageError::kOpenInput;
            result.failedInput = input;
            result.reason = platform::Describe(package.openError());
            return result;
        }
    }
    if (!package.Prepare(job.name)) {
        result.error = package.error();
        return result;
    }
    result.error = write(package);
    if (!result.ok()) result.failedInput = package.failedInput();
    return result;
}

PackResult PackFiles(const PackJob& job, ConsoleWriter& console) {
    const PackResult result = PackInto(job, console, [&](Package& package) {
        return package.WriteToFile(job.output) ? PackageError::kNone : package.error();
    });
    if (!result.ok()) RemoveStaleOutput(job);
    return result;
}

void PrintPackFailure(const PackJob& job, const PackResult& result, ConsoleWriter& console) {
    const std::u16string& output = job.output;
    switch (result.error) {
        case PackageError::kNameTooLong:
            return console.Text(u"包名过长(" + platform::ToDecimal(job.name.size()) +
                                u" 字节), 最多 " + platform::ToDecimal(kMaxPackageNameLength) +
                                u" 字节, 未打包!\n");
        case PackageError::kNoEntries:
            return PrintAboutPath(console, u"没有可打包的文件, 未生成 ", output, u"!\n");
        case PackageError::kTooLarge:
            return PrintAboutPath(console, u"文件总大小超过 4GB, 未生成 ", output, u"!\n");
        case PackageError::kOutOfMemory:
            return PrintAboutPath(console, u"内存不足, 未生成 ", output, u"!\n");
        case PackageError::kSameAsInput:
            return PrintAboutPath(console, u"输出文件 ", output, u" 是输入文件之一, 未打包!\n");
        case PackageError::kCreateOutput:
            return PrintAboutPath(console, u"无法创建文件 ", output, u"!\n");
        case PackageError::kWriteOutput:
            return PrintAboutPath(console, u"写入文件 ", output, u" 失败!\n");
        case PackageError::kDiskFull:
            return PrintAboutPath(console, u"写入文件 ", output, u" 失败, 磁盘空间不足!\n");
        case PackageError::kOpenInput:
            return PrintAboutPath(console, u"打开文件 ", result.failedInput,
                                  u" 失败: " + result.reason + u", 未生成包!\n");
        case PackageError::kReadInput:
            return PrintAboutPath(console, u"读取文件 ", result.failedInput, u" 失败, 未生成包!\n");
        case PackageError::kInputChanged:
            return PrintAboutPath(console, u"文件 ", result.failedInput,
                                  u" 在打包时被改动, 未生成包!\n");
        case PackageError::kInterrupted:  // the one who stopped it knows
        case PackageError::kNone:
            return;
    }
}

}  // namespace quill
