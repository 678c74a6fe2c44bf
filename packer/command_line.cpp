#include "packer/command_line.h"

#include "packer/pack_job.h"
#include "platform/text.h"
#include "platform/wildcards.h"

namespace quill {

int RunQuill(const std::vector<std::u16string>& args, ConsoleWriter& console) {
    const bool named = !args.empty() && args[0] == u"-n";
    if (args.size() < 2 || (named && args.size() < 4)) {
        console.Text(u"参数:[-n 包名] [输出文件] [输入文件1] [输入文件3]...\r\n");
        return kExitUsage;
    }
    PackJob job;
    job.output = named ? args[2] : args[0];
    if (named) job.name = platform::ToThreadAnsi(args[1]);
    // Only the inputs are paths to expand: not the package name, not the output.
    job.inputs = platform::ExpandWildcards({args.begin() + (named ? 3 : 1), args.end()});

    const PackResult result = PackFiles(job, console);
    if (result.ok()) return kExitOk;
    PrintPackFailure(job, result, console);
    return kExitFailed;
}

}  // namespace quill
