#include "packer/command_line.h"

#include "packer/package.h"
#include "platform/text.h"

namespace quill {
namespace {

constexpr char kDefaultPackageName[] = "zafra";

void PrintUsage(ConsoleWriter& console) {
    console.Text(u"参数:[-n 包名] [输出文件] [输入文件1] [输入文件3]...\r\n");
}

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

void PrintFailure(ConsoleWriter& console, const Package& package, std::u16string_view output) {
    switch (package.error()) {
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
        case PackageError::kReadInput:
            return PrintAboutPath(console, u"读取文件 ", package.failedInput(),
                                  u" 失败, 未生成包!\n");
        case PackageError::kInputChanged:
            return PrintAboutPath(console, u"文件 ", package.failedInput(),
                                  u" 在打包时被改动, 未生成包!\n");
        case PackageError::kNameTooLong:  // refused before the package is prepared
        case PackageError::kNone:
            return;
    }
}

}  // namespace

int RunQuill(const std::vector<std::u16string>& args, ConsoleWriter& console) {
    if (args.size() < 2) {
        PrintUsage(console);
        return kExitUsage;
    }
    const bool named = args[0] == u"-n";
    if (named && args.size() < 4) {
        PrintUsage(console);
        return kExitUsage;
    }
    const std::u16string& output = named ? args[2] : args[0];
    const std::string name = named ? platform::ToThreadAnsi(args[1]) : kDefaultPackageName;
    if (name.size() > kMaxPackageNameLength) {
        console.Text(u"包名过长(" + platform::ToDecimal(name.size()) + u" 字节), 最多 " +
                     platform::ToDecimal(kMaxPackageNameLength) + u" 字节, 未打包!\n");
        return kExitFailed;
    }

    Package package(console);
    for (size_t i = named ? 3 : 1; i < args.size(); ++i) {
        if (!platform::PathExists(args[i])) {
            PrintIgnored(console, args[i]);
            continue;
        }
        // An input that exists but cannot be read (a folder, a file locked
        // for writing) is passed over without a word.
        if (package.AddFile(args[i]) == AddResult::kTooLarge) PrintIgnored(console, args[i]);
    }

    if (!package.Prepare(name) || !package.WriteToFile(output)) {
        PrintFailure(console, package, output);
        return kExitFailed;
    }
    return kExitOk;
}

}  // namespace quill
