#include "mkkolo/command_line.h"

#include <cstdint>
#include <limits>

#include "app/skin_jobs.h"
#include "kolo_version.h"
#include "mkkolo/batch.h"
#include "mkkolo/inputs.h"
#include "platform/files.h"
#include "platform/paths.h"

namespace mkkolo {
namespace {

constexpr char16_t kUsage[] =
    u"用法: mkkolo [-o 输出文件夹] [-j 并行数] [-q] 路径...\n"
    u"  路径  皮肤文件, 或文件夹(取其中的 .xml .pxa .mbm 文件, 不含子文件夹)\n"
    u"  -o    .kolo 文件的输出文件夹, 默认为当前文件夹, 不存在时创建\n"
    u"  -j    同时打包的皮肤数, 默认为处理器数\n"
    u"  -q    只输出失败的皮肤\n";

struct Options {
    std::u16string outputDir = u".";
    std::optional<unsigned> workers;
    bool quiet = false;
    bool version = false;  // --version: say which mkkolo this is, nothing else
    std::vector<std::u16string> paths;
};

// A decimal number of digits only, up to `limit`.
std::optional<std::uint64_t> ParseNumber(std::u16string_view text, std::uint64_t limit) {
    if (text.empty()) return std::nullopt;
    std::uint64_t value = 0;
    for (char16_t c : text) {
        if (c < u'0' || c > u'9') return std::nullopt;
        const unsigned digit = c - u'0';
        if (value > (limit - digit) / 10) return std::nullopt;
        value = value * 10 + digit;
    }
    return value;
}

// "<before><what><after>"
std::u16string Say(std::u16string_view before, std::u16string_view what,
                   std::u16string_view after) {
    return std::u16string(before) + std::u16string(what) + std::u16string(after);
}

// Options come anywhere before "--"; what follows it is paths only. "-o" and
// "-j" take the next argument, or the rest of their own ("-j4").
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
        const std::u16string option = arg.substr(0, 2);
        if (option != u"-o" && option != u"-j") {
            error = Say(u"未知选项 ", arg, u"!\n");
            return std::nullopt;
        }
        std::u16string value = arg.substr(2);
        if (value.empty()) {
            if (++i == args.size()) {
                error = Say(u"选项 ", option, u" 缺少参数!\n");
                return std::nullopt;
            }
            value = args[i];
        }
        if (option == u"-o") {
            options.outputDir = value;
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
    // Reproducible output: the moment a build stands for, in seconds since
    // 1970, dates every entry. An empty value counts as none.
    if (environment.sourceDateEpoch && !environment.sourceDateEpoch->empty()) {
        const auto moment =
            ParseNumber(*environment.sourceDateEpoch, std::numeric_limits<std::int64_t>::max());
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
    const bool allPacked = PackBatch(jobs, settings, console);
    return allPacked && problems.empty() ? kExitOk : kExitFailed;
}

}  // namespace mkkolo
