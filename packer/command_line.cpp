#include "packer/command_line.h"

#include "packer/console.h"
#include "packer/pack_texts.h"
#include "platform/interrupt.h"
#include "platform/text.h"
#include "platform/wildcards.h"

namespace quill {
namespace {

// quill's lines end in "\r\n" where it says so itself.
constexpr char16_t kLineEnd[] = u"\r\n";

// Says what the job comes to as it happens: the summary stands before the
// package is written.
class Announcer final : public PackListener {
  public:
    explicit Announcer(platform::Console& console) : m_console(console) {}
    void Ignored(const std::u16string& path) override {
        m_console.Out(IgnoredText(path, kLineEnd));
    }
    void Prepared(const std::vector<PackedInput>& inputs) override {
        m_console.Out(SummaryText(inputs));
    }

  private:
    platform::Console& m_console;
};

}  // namespace

int RunQuill(const std::vector<std::u16string>& args, platform::Console& console) {
    const bool named = !args.empty() && args[0] == u"-n";
    if (args.size() < 2 || (named && args.size() < 4)) {
        console.Out(UsageText(kLineEnd));
        return kExitUsage;
    }
    PackJob job;
    job.output = named ? args[2] : args[0];
    if (named) job.name = platform::ToThreadAnsi(args[1]);
    // Only the inputs are paths to expand: not the package name, not the output.
    job.inputs = platform::ExpandWildcards({args.begin() + (named ? 3 : 1), args.end()});

    Announcer announcer(console);
    const PackResult result = PackFiles(job, &announcer);
    if (result.ok()) return kExitOk;
    console.Out(FailureText(result, job.output, job.name.size()));
    return kExitFailed;
}

int QuillMain(const std::vector<std::u16string>& args) {
    StdoutConsole console;
    const int status = RunQuill(args, console);
    // Cut short, the package is not made: the program ends as the request
    // says. One that came once the package was written changes nothing.
    if (status != kExitOk && platform::InterruptRequested()) platform::EndAsInterrupted();
    return status;
}

}  // namespace quill
