#include "mkkolo/options.h"

#include <limits>
#include <utility>
#include <vector>

#include "platform/message.h"
#include "platform/program.h"
#include "platform/text.h"

namespace mkkolo {

using platform::Message;
using platform::Say;

namespace {

// What an option does: sets a flag, chooses the mode or takes a value.
enum class Effect { kFlag, kMode, kOutput, kJobs, kLevel };

// The forms of the command line that the usage text shows, in its order.
enum Form : unsigned {
    kPackForm = 1,
    kWatchForm = 2,
    kDryRunForm = 4,
    kInspectForm = 8,  // -l and -t
    kExtractForm = 16,
    kAloneForm = 32,  // -h and --version, which stand alone
};
constexpr unsigned kRunForms = kPackForm | kWatchForm;
constexpr unsigned kPackingForms = kRunForms | kDryRunForm;

struct OptionRule {
    OptionForm form;
    // The forms it goes with: a mode's option, and each option of the form
    // that stands alone, leads its form; the others are its choices.
    unsigned forms;
    Effect effect;
    bool Options::*flag = nullptr;  // with kFlag
    Mode mode = Mode::kPack;        // with kMode
    bool takesValue() const { return effect != Effect::kFlag && effect != Effect::kMode; }
};

// In the order the usage text lists them.
const OptionRule kOptionRules[] = {
    // letter, name, value's name, help; forms; effect, flag or mode
    {{u'o', u"output", u"文件夹",
      u".kolo 文件(用 -x 时为解出的文件)的输出文件夹, 默认为当前文件夹, 不存在时创建"},
     kPackingForms | kExtractForm,
     Effect::kOutput},
    {{u'j', u"jobs", u"并行数", u"同时打包的皮肤数, 默认为处理器数"}, kRunForms, Effect::kJobs},
    {{u'q', u"quiet", u"", u"只输出失败的皮肤"}, kRunForms, Effect::kFlag, &Options::quiet},
    {{0, u"level", u"级别", u".kolo 的压缩级别, 1 (最快) 到 12 (最小), 默认为 9"},
     kRunForms,
     Effect::kLevel},
    {{u'r', u"recursive", u"",
      u"也搜索子文件夹(不进入指向文件夹的链接); 各文件夹的皮肤各自配对, 输出保持文件夹结构"},
     kPackingForms,
     Effect::kFlag,
     &Options::recursive},
    {{u'w', u"watch", u"", u"打包后监视路径, 有改动时重新打包改动了的皮肤, 按 Ctrl+C 结束"},
     kWatchForm,
     Effect::kMode,
     nullptr,
     Mode::kWatch},
    {{u'n', u"dry-run", u"", u"只列出每个皮肤的两个文件, 不写任何文件"},
     kDryRunForm,
     Effect::kMode,
     nullptr,
     Mode::kDryRun},
    {{0, u"strict", u"", u"有警告的皮肤不打包, 算作失败; 用 -l、-t 时有警告即失败"},
     kPackingForms | kInspectForm,
     Effect::kFlag,
     &Options::strict},
    {{0, u"json", u"", u"在标准输出上给出 JSON 格式的报告, 代替文字"},
     kPackForm | kDryRunForm,
     Effect::kFlag,
     &Options::json},
    {{u'l', u"list", u"", u"列出文件的内容"}, kInspectForm, Effect::kMode, nullptr, Mode::kList},
    {{u't', u"test", u"", u"检查文件是否完好"}, kInspectForm, Effect::kMode, nullptr, Mode::kTest},
    {{u'x', u"extract", u"", u"把包中的文件解到输出文件夹"},
     kExtractForm,
     Effect::kMode,
     nullptr,
     Mode::kExtract},
    {{0, u"force", u"", u"解包时覆盖已有的文件"}, kExtractForm, Effect::kFlag, &Options::force},
    {{u'h', u"help", u"", u"显示本说明"}, kAloneForm, Effect::kFlag, &Options::help},
    {{0, u"version", u"", u"显示版本"}, kAloneForm, Effect::kFlag, &Options::version},
};

// What each form works on.
constexpr std::pair<Form, std::u16string_view> kForms[] = {
    {kPackForm, u"路径..."},    {kWatchForm, u"路径..."},   {kDryRunForm, u"路径..."},
    {kInspectForm, u"文件..."}, {kExtractForm, u"文件..."}, {kAloneForm, u""},
};
constexpr std::pair<std::u16string_view, std::u16string_view> kArguments[] = {
    {u"路径", u"皮肤文件, 或文件夹(取其中的 .xml .pxa .mbm 文件, 用 -r 时含子文件夹)"},
    {u"文件", u".kolo 文件或 .pak 包"},
};
// A folder, -r into the phone's skin folder, a test, the report for scripts.
constexpr char16_t kExamples[] =
    u"\n例子:\n"
    u"  mkkolo -o out skins\n"
    u"      把文件夹 skins 中的皮肤打包到文件夹 out\n"
    u"  mkkolo -r -o X:/Zafra/Skin/V4 skins\n"
    u"      连同子文件夹中的皮肤, 按同样的文件夹结构打包到手机的 Zafra 皮肤文件夹\n"
    u"      (X: 是手机或存储卡的盘, Linux 上是它挂载的文件夹, 如 /media/phone)\n"
    u"  mkkolo -t out/night.kolo\n"
    u"      检查 .kolo 文件是否完好\n"
    u"  mkkolo -n --json skins > skins.json\n"
    u"      不写任何文件, 把会打包的皮肤以 JSON 格式写进 skins.json\n";

// Where the explanations start, in the columns of a terminal.
constexpr std::size_t kHelpColumn = 23;
// What stands before the first form, and before the others; a Chinese
// character takes two columns.
constexpr std::u16string_view kUsageStart = u"用法: ", kFormStart = u"      ";
// The width the forms keep to, wrapping their options.
constexpr std::size_t kUsageWidth = 79;

// An option as the forms spell it: short where it has a letter.
std::u16string Spelling(const OptionForm& form) {
    return form.letter ? std::u16string{u'-', form.letter} : u"--" + std::u16string(form.name);
}

// "mkkolo <leading options> [<option> <value>]... <operands>" after
// kFormStart's columns, wrapped below its first option where it grows too
// wide.
std::u16string FormLine(Form form, std::u16string_view operands) {
    std::u16string line = u"mkkolo", leads;
    std::vector<std::u16string> words;
    for (const OptionRule& rule : kOptionRules) {
        if (!(rule.forms & form)) continue;
        const std::u16string spelled = Spelling(rule.form);
        if (rule.effect == Effect::kMode || form == kAloneForm) {
            leads += (leads.empty() ? u"" : u"|") + spelled;
        } else if (rule.form.valueName.empty()) {
            words.push_back(u"[" + spelled + u"]");
        } else {
            words.push_back(u"[" + spelled + u" " + std::u16string(rule.form.valueName) + u"]");
        }
    }
    if (!leads.empty()) line += u" " + leads;
    if (!operands.empty()) words.emplace_back(operands);
    const std::u16string indent =
        std::u16string(kFormStart) + std::u16string(platform::DisplayColumns(line), u' ');
    std::size_t width = indent.size();
    for (const std::u16string& word : words) {
        const std::size_t columns = platform::DisplayColumns(word);
        if (width + 1 + columns > kUsageWidth) {
            line += u"\n" + indent;
            width = indent.size();
        }
        line += u" " + word;
        width += 1 + columns;
    }
    return line;
}

// "  <what><blanks up to the help's column><help>"
std::u16string UsageLine(std::u16string_view what, std::u16string_view help) {
    std::u16string line = u"  " + std::u16string(what);
    line.append(kHelpColumn > platform::DisplayColumns(line) + 2
                    ? kHelpColumn - platform::DisplayColumns(line)
                    : 2,
                u' ');
    return line + std::u16string(help) + u"\n";
}

std::u16string BuildUsage() {
    std::u16string usage;
    for (const auto& [form, operands] : kForms) {
        usage += std::u16string(usage.empty() ? kUsageStart : kFormStart) +
                 FormLine(form, operands) + u"\n";
    }
    for (const auto& [argument, help] : kArguments) usage += UsageLine(argument, help);
    for (const OptionRule& rule : kOptionRules) {
        const OptionForm& form = rule.form;
        std::u16string what = form.letter ? std::u16string{u'-', form.letter, u',', u' '} : u"    ";
        what += u"--" + std::u16string(form.name);
        if (!form.valueName.empty()) what += u"=" + std::u16string(form.valueName);
        usage += UsageLine(what, form.help);
    }
    return usage + kExamples;
}

class Parser {
  public:
    explicit Parser(const std::vector<std::u16string>& args) : m_args(args) {}

    std::optional<Options> Parse(Message& error) {
        bool pathsOnly = false;
        for (m_next = 0; m_next < m_args.size();) {
            const std::u16string& arg = m_args[m_next++];
            // "/?" and "-?" ask for the usage, as on Windows' own command lines.
            if (!pathsOnly && (arg == u"/?" || arg == u"-?")) {
                m_options.help = true;
                return m_options;
            }
            if (!pathsOnly && platform::IsWindowsSwitch(arg)) {
                error = SwitchComplaint(arg);
                return std::nullopt;
            }
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

    // The options whose long names the typed one names: written out, or
    // shortened to the start of one or more.
    static std::vector<const OptionRule*> LongCandidates(std::u16string_view typed) {
        std::vector<const OptionRule*> candidates;
        for (const OptionRule& rule : kOptionRules) {
            if (rule.form.name == typed) return {&rule};
            if (rule.form.name.substr(0, typed.size()) == typed) candidates.push_back(&rule);
        }
        return candidates;
    }

    // "/o" (or "/O") for "-o", "/output" for "--output", as a Windows user
    // tries the switches of Windows' own programs; a usage error that names
    // the option's form, where there is one.
    static Message SwitchComplaint(const std::u16string& arg) {
        std::u16string typed = arg.substr(1);
        for (char16_t& c : typed) {
            if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c + (u'a' - u'A'));
        }
        std::u16string form;
        for (const OptionRule& rule : kOptionRules) {
            if (typed.size() == 1 && rule.form.letter == typed[0]) form = Spelling(rule.form);
        }
        const std::vector<const OptionRule*> named = LongCandidates(typed);
        if (form.empty() && typed.size() > 1 && named.size() == 1)
            form = u"--" + std::u16string(named.front()->form.name);
        if (form.empty()) return Say(u"未知选项 ", arg, u"!\n");
        return Say(u"选项 ", arg, u" 应写作 ") + Message::Name(form) + u"!\n";
    }

    // "--name", "--name=value" or "--name value", the name written out or
    // shortened to the start of one name alone, as getopt_long reads it.
    bool Long(const std::u16string& arg) {
        const std::size_t equals = arg.find(u'=');
        const std::u16string spelling = arg.substr(0, equals);
        const std::vector<const OptionRule*> candidates =
            LongCandidates(std::u16string_view(spelling).substr(2));
        if (candidates.empty()) return Fail(Say(u"未知选项 ", spelling, u"!\n"));
        if (candidates.size() > 1) {
            Message names;
            for (const OptionRule* rule : candidates) {
                names += u" " + Message::Name(u"--" + std::u16string(rule->form.name));
            }
            return Fail(Say(u"选项 ", spelling, u" 不明确, 可能是") + names + u"!\n");
        }
        const OptionRule& rule = *candidates.front();
        const std::u16string name = u"--" + std::u16string(rule.form.name);
        if (equals == std::u16string::npos) return Apply(rule, name, {});
        if (!rule.takesValue()) return Fail(Say(u"选项 ", name, u" 不带参数!\n"));
        return Apply(rule, name, arg.substr(equals + 1));
    }

    // "-abc": each letter an option, until one that takes the rest as its value.
    bool Short(const std::u16string& arg) {
        for (std::size_t i = 1; i < arg.size(); ++i) {
            const std::u16string spelling = {u'-', arg[i]};
            const OptionRule* found = nullptr;
            for (const OptionRule& rule : kOptionRules) {
                if (rule.form.letter != 0 && rule.form.letter == arg[i]) found = &rule;
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
    bool Apply(const OptionRule& rule, const std::u16string& spelling,
               std::optional<std::u16string> value) {
        if (rule.takesValue() && !value) {
            if (m_next == m_args.size()) return Fail(Say(u"选项 ", spelling, u" 缺少参数!\n"));
            value = m_args[m_next++];
        }
        switch (rule.effect) {
            case Effect::kFlag:
                m_options.*rule.flag = true;
                break;
            case Effect::kMode:
                return SetMode(rule.mode, spelling);
            case Effect::kOutput:
                m_options.outputDir = *value;
                break;
            case Effect::kLevel: {
                const auto n = ParseNumber(*value, pipeline::kMaxKoloLevel);
                if (!n || *n < pipeline::kMinKoloLevel)
                    return Fail(Say(u"压缩级别 ", *value, u" 无效!\n"));
                m_options.level = static_cast<int>(*n);
                break;
            }
            case Effect::kJobs: {
                const auto n = ParseNumber(*value, std::numeric_limits<unsigned>::max());
                if (!n || *n == 0) return Fail(Say(u"并行数 ", *value, u" 无效!\n"));
                m_options.workers = static_cast<unsigned>(*n);
                break;
            }
        }
        return true;
    }

    bool SetMode(Mode mode, const std::u16string& spelling) {
        if (m_options.mode != Mode::kPack && m_options.mode != mode) {
            return Fail(u"选项 " + Message::Name(m_modeSpelling) + u" 与 " +
                        Message::Name(spelling) + u" 不能同时使用!\n");
        }
        m_options.mode = mode;
        m_modeSpelling = spelling;
        return true;
    }

    const std::vector<std::u16string>& m_args;
    std::size_t m_next = 0;
    Options m_options;
    std::u16string m_modeSpelling;
    Message m_error;
};

}  // namespace

const std::u16string& Usage() {
    static const std::u16string usage = BuildUsage();
    return usage;
}

std::vector<OptionForm> OptionForms() {
    std::vector<OptionForm> forms;
    for (const OptionRule& rule : kOptionRules) forms.push_back(rule.form);
    return forms;
}

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
