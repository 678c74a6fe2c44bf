#include "mkkolo/command_line.h"

#include <cstdint>
#include <limits>

#include "app/kolo.h"
#include "app/skin_jobs.h"
#include "kolo_version.h"
#include "mkkolo/batch.h"
#include "mkkolo/inputs.h"
#include "platform/files.h"
#include "platform/folder_lock.h"
#include "platform/interrupt.h"
#include "platform/paths.h"
#include "platform/text.h"

namespace mkkolo {
namespace {

constexpr char16_t kUsage[] =
    u"用法: mkkolo [-o 输出文件夹] [-j 并行数] [-q] [--level 级别] 路径...\n"
    u"  路径  皮肤文件, 或文件夹(取其中的 .xml .pxa .mbm 文件, 不含子文件夹)\n"
    u"  -o    .kolo 文件的输出文件夹, 默认为当前文件夹, 不存在时创建\n"
    u"  -j    同时打包的皮肤数, 默认为处理器数\n"
    u"  -q    只输出失败的皮肤\n"
    u"  --level  .kolo 的压缩级别, 1 (最快) 到 12 (最小), 默认为 9\n";

struct Options {
    std::u16string outputDir = u".";
    std::optional<unsigned> workers;
    bool quiet = false;
    int level = vellum::kKoloLevel;
    bool version = false;  // --version: say which mkkolo this is, nothing else
    std::vector<std::u16string> paths;
};

// A decimal number of digits only, up to `limit`; a larger one is refused,
// or taken as `limit` when it may `saturate`.
std::optional<std::uint64_t> ParseNumber(std::u16string_view text, std::uint64_t limit,
                                         bool saturate = false) {
    if (text.empty()) return std::nullopt;
    std::uint64_t value = 0;
    for (char16_t c : text) {
        if (c < u'0' || c > u'9') return std::nullopt;
        const unsigned digit = c - u'0';
        if (value > (limit - digit) / 10) {
            if (!saturate) return std::nullopt;
            value = limit;
        } else {
            value = value * 10 + digit;
        }
    }
    return value;
}

// "<before><what><after>"
std::u16string Say(std::u16string_view before, std::u16string_view what,
                   std::u16string_view after) {
    return std::u16string(before) + std::u16string(what) + std::u16string(after);
}

// Options come anywhere before "--"; what follows it is paths only. "-o" and
// "-j" take the next argument, or the rest of their own ("-j4"); "--level"
// the next argument, or what follows its "=" ("--level=12").
std::optional<Options> ParseOptions(const std::vector<std::u16string>& args,
                                    std::u16string& error) {
    Options options;
    bool pathsOnly = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::u16string& arg = args[i];
        if (pathsOnly || arg.size() < 2 || arg[0] != u'-') {
            options.paths.push_back(arg);
            continue;
        }
        if (arg == u"--") {
            pathsOnly = true;
            continue;
        }
        if (arg == u"--version") {
            options.version = true;
            return options;
        }
        if (arg == u"-q") {
            options.quiet = true;
            continue;
        }
        const bool level = arg == u"--level" || arg.rfind(u"--level=", 0) == 0;
        const std::u16string option = level ? std::u16string(u"--level") : arg.substr(0, 2);
        if (!level && option != u"-o" && option != u"-j") {
            error = Say(u"未知选项 ", arg, u"!\n");
            return std::nullopt;
        }
        std::u16string value = arg.substr(level && arg != option ? option.size() + 1 : 2);
        if (arg == option) {
            if (++i == args.size()) {
                error = Say(u"选项 ", option, u" 缺少参数!\n");
                return std::nullopt;
            }
            value = args[i];
        }
        if (option == u"-o") {
            options.outputDir = value;
        } else if (level) {
            const auto n = ParseNumber(value, vellum::kMaxKoloLevel);
            if (!n || *n < vellum::kMinKoloLevel) {
                error = Say(u"压缩级别 ", value, u" 无效!\n");
                return std::nullopt;
            }
            options.level = static_cast<int>(*n);
        } else if (const auto n = ParseNumber(value, std::numeric_limits<unsigned>::max());
                   n && *n > 0) {
            options.workers = static_cast<unsigned>(*n);
        } else {
            error = Say(u"并行数 ", value, u" 无效!\n");
            return std::nullopt;
        }
    }
    if (options.paths.empty()) {
        error = u"缺少路径!\n";
        return std::nullopt;
    }
    return options;
}

// The folder without separators at its end, which the package paths add
// themselves; a root keeps its own.
std::u16string WithoutTrailingSeparators(std::u16string folder) {
    while (folder.size() > 1 && platform::IsPathSeparator(folder.back()) &&
           folder[folder.size() - 2] != u':') {
        folder.pop_back();
    }
    return folder;
}

}  // namespace

int RunMkkolo(const std::vector<std::u16string>& args, const Environment& environment,
              Console& console) {
    std::u16string error;
    const std::optional<Options> options = ParseOptions(args, error);
    if (!options) {
        console.Err(error + kUsage);
        return kExitUsage;
    }
    if (options->version) {
        console.Out(u"mkkolo " KOLO_VERSION "\n");
        return kExitOk;
    }
    BatchSettings settings;
    settings.outputDir = WithoutTrailingSeparators(options->outputDir);
    settings.workers = options->workers.value_or(environment.processors);
    settings.quiet = options->quiet;
    settings.level = options->level;
    // Reproducible output: the moment a build stands for, in seconds since
    // 1970, dates every entry. An empty value counts as none.
    if (environment.sourceDateEpoch && !environment.sourceDateEpoch->empty()) {
        // However far off, a moment is dated at the end of the ZIP format's range.
        const auto moment = ParseNumber(*environment.sourceDateEpoch,
                                        std::numeric_limits<std::int64_t>::max(), true);
        if (!moment) {
            console.Err(Say(u"环境变量 SOURCE_DATE_EPOCH 的值 ", *environment.sourceDateEpoch,
                            u" 无效!\n"));
            return kExitUsage;
        }
        settings.entryTime = static_cast<std::int64_t>(*moment);
    }

    std::u16string problems;
    const std::list<std::u16string> files = CollectInputFiles(options->paths, problems);
    if (!problems.empty()) console.Err(problems);
    vellum::SkinJobMap map;
    vellum::CollectSkinJobs(files, map);
    std::vector<vellum::SkinJob> jobs;
    map.ForEach([&](const vellum::SkinJob& job) { jobs.push_back(job); });
    if (jobs.empty()) {
        console.Err(u"没有可打包的皮肤文件!\n");
        return kExitFailed;
    }
    if (!platform::CreateFolders(settings.outputDir)) {
        console.Err(Say(u"无法创建输出文件夹 ", settings.outputDir, u"!\n"));
        return kExitFailed;
    }
    // Runs into one folder take turns: one run's failures must not undo
    // another's results.
    const platform::FolderLock lock(settings.outputDir, [&] {
        console.Err(
            Say(u"输出文件夹 ", settings.outputDir, u" 正被另一个 mkkolo 使用, 等待它结束...\n"));
    });
    const BatchCounts counts = PackBatch(jobs, settings, console);
    if (platform::InterruptRequested()) {
        console.Err(u"已中断: " + platform::ToDecimal(counts.made) + u" 个皮肤已生成, " +
                    platform::ToDecimal(counts.failed) + u" 个失败, " +
                    platform::ToDecimal(counts.notRun) + u" 个未打包!\n");
        return kExitInterrupted;
    }
    return counts.made == jobs.size() && problems.empty() ? kExitOk : kExitFailed;
}

}  // namespace mkkolo
