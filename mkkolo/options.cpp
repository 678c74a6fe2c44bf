#include "mkkolo/options.h"

#include <limits>

#include "platform/message.h"

namespace mkkolo {

using platform::Message;
using platform::Say;

const char16_t kUsage[] =
    u"用法: mkkolo [-o 输出文件夹] [-j 并行数] [-q] [--level 级别] 路径...\n"
    u"      mkkolo -n [--strict] [-o 输出文件夹] 路径...\n"
    u"      mkkolo -l|-t 文件...\n"
    u"      mkkolo -x [-o 输出文件夹] [--force] 文件...\n"
    u"  路径                 皮肤文件, 或文件夹(取其中的 .xml .pxa .mbm 文件, 不含子文件夹)\n"
    u"  文件                 .kolo 文件或 .pak 包\n"
    u"  -o, --output=文件夹  .kolo 文件(用 -x 时为解出的文件)的输出文件夹, 默认为当前文件夹, "
    u"不存在时创建\n"
    u"  -j, --jobs=并行数    同时打包的皮肤数, 默认为处理器数\n"
    u"  -q, --quiet          只输出失败的皮肤\n"
    u"      --level=级别     .kolo 的压缩级别, 1 (最快) 到 12 (最小), 默认为 9\n"
    u"  -n, --dry-run        只列出每个皮肤的两个文件, 不写任何文件\n"
    u"      --strict         配对有警告的皮肤不打包, 算作失败\n"
    u"  -l, --list           列出文件的内容\n"
    u"  -t, --test           检查文件是否完好\n"
    u"  -x, --extract        把包中的文件解到输出文件夹\n"
    u"      --force          解包时覆盖已有的文件\n"
    u"  -h, --help           显示本说明\n"
    u"      --version        显示版本\n";

namespace {

// What an option does: takes a value, sets a flag or chooses the mode.
enum class Value { kNone, kOutput, kJobs, kLevel };

struct OptionForm {
    char16_t letter;  // 0: long form only
    std::u16string_view name;
    Value value;
    bool Options::*flag;
    std::optional<Mode> mode;
    bool takesValue() const { return value != Value::kNone; }
};

const OptionForm kOptionForms[] = {
    // letter, name, value, flag, mode
    {u'o', u"output", Value::kOutput, nullptr, std::nullopt},
    {u'j', u"jobs", Value::kJobs, nullptr, std::nullopt},
    {0, u"level", Value::kLevel, nullptr, std::nullopt},
    {u'q', u"quiet", Value::kNone, &Options::quiet, std::nullopt},
    {0, u"strict", Value::kNone, &Options::strict, std::nullopt},
    {0, u"force", Value::kNone, &Options::force, std::nullopt},
    {u'h', u"help", Value::kNone, &Options::help, std::nullopt},
    {0, u"version", Value::kNone, &Options::version, std::nullopt},
    {u'n', u"dry-run", Value::kNone, nullptr, Mode::kDryRun},
    {u'l', u"list", Value::kNone, nullptr, Mode::kList},
    {u't', u"test", Value::kNone, nullptr, Mode::kTest},
    {u'x', u"extract", Value::kNone, nullptr, Mode::kExtract},
};

class Parser {
  public:
    explicit Parser(const std::vector<std::u16string>& args) : m_args(args) {}

    std::optional<Options> Parse(Message& error) {
        bool pathsOnly = false;
        for (m_next = 0; m_next < m_args.size();) {
            const std::u16string& arg = m_args[m_next++];
            if (pathsOnly || arg.size() < 2 || arg[0] != u'-') {
                m_options.paths.push_back(arg);
            } else if (arg == u"--") {
                pathsOnly = true;
            } else if (!(arg[1] == u'-' ? Long(arg) : Short(arg))) {
                error = m_error;
                return std::nullopt;
            }
            // Help and version are all that is asked for: the rest is not read.
            if (m_options.help || m_options.version) return m_options;
        }
        if (m_options.paths.empty()) {
            error = u"缺少路径!\n";
            return std::nullopt;
        }
        return m_options;
    }

  private:
    bool Fail(Message text) {
        m_error = std::move(text);
        return false;
    }

    // "--name", "--name=value" or "--name value".
    bool Long(const std::u16string& arg) {
        const std::size_t equals = arg.find(u'=');
        const std::u16string spelling = arg.substr(0, equals);
        for (const OptionForm& form : kOptionForms) {
            if (spelling.compare(2, std::u16string::npos, form.name) != 0) continue;
            if (equals != std::u16string::npos) {
                if (!form.takesValue()) return Fail(Say(u"选项 ", spelling, u" 不带参数!\n"));
                return Apply(form, spelling, arg.substr(equals + 1));
            }
            return Apply(form, spelling, {});
        }
        return Fail(Say(u"未知选项 ", spelling, u"!\n"));
    }

    // "-abc": each letter an option, until one that takes the rest as its value.
    bool Short(const std::u16string& arg) {
        for (std::size_t i = 1; i < arg.size(); ++i) {
            const std::u16string spelling = {u'-', arg[i]};
            const OptionForm* found = nullptr;
            for (const OptionForm& form : kOptionForms) {
                if (form.letter != 0 && form.letter == arg[i]) found = &form;
            }
            if (!found) return Fail(Say(u"未知选项 ", spelling, u"!\n"));
            if (found->takesValue()) {
                return Apply(*found, spelling,
                             i + 1 < arg.size() ? std::optional(arg.substr(i + 1)) : std::nullopt);
            }
            if (!Apply(*found, spelling, {})) return false;
        }
        return true;
    }

    // `value`: what was joined to the option; else a value is the next argument.
    bool Apply(const OptionForm& form, const std::u16string& spelling,
               std::optional<std::u16string> value) {
        if (form.takesValue() && !value) {
            if (m_next == m_args.size()) return Fail(Say(u"选项 ", spelling, u" 缺少参数!\n"));
            value = m_args[m_next++];
        }
        if (form.flag) {
            m_options.*form.flag = true;
            return true;
        }
        if (form.mode) return SetMode(*form.mode, spelling);
        if (form.value == Value::kOutput) {
            m_options.outputDir = *value;
            return true;
        }
        if (form.value == Value::kLevel) {
            const auto n = ParseNumber(*value, pipeline::kMaxKoloLevel);
            if (!n || *n < pipeline::kMinKoloLevel)
                return Fail(Say(u"压缩级别 ", *value, u" 无效!\n"));
            m_options.level = static_cast<int>(*n);
            return true;
        }
        if (const auto n = ParseNumber(*value, std::numeric_limits<unsigned>::max()); n && *n > 0) {
            m_options.workers = static_cast<unsigned>(*n);
            return true;
        }
        return Fail(Say(u"并行数 ", *value, u" 无效!\n"));
    }

    bool SetMode(Mode mode, const std::u16string& spelling) {
        if (m_options.mode != Mode::kPack && m_options.mode != mode) {
            return Fail(u"选项 " + Message::Name(m_strModeSpelling) + u" 与 " +
                        Message::Name(spelling) + u" 不能同时使用!\n");
        }
        m_options.mode = mode;
        m_strModeSpelling = spelling;
        return true;
    }

    const std::vector<std::u16string>& m_args;
    std::size_t m_next = 0;
    Options m_options;
    std::u16string m_strModeSpelling;
    Message m_error;
};

}  // namespace

std::optional<Options> ParseOptions(const std::vector<std::u16string>& args, Message& error) {
    return Parser(args).Parse(error);
}

std::optional<std::uint64_t> ParseNumber(std::u16string_view text, std::uint64_t limit,
                                         bool saturate) {
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

}  // namespace mkkolo
