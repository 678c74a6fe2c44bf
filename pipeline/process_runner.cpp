#include "pipeline/process_runner.h"

#include "platform/process.h"
#include "platform/text.h"

namespace pipeline {
namespace {

// The program and its arguments as the log shows a command it could not
// start: the program, a blank, then each argument after a blank in double
// quotes.
std::u16string CommandShown(std::u16string_view program, const std::vector<std::u16string>& args) {
    std::u16string shown = std::u16string(program) + u" ";
    for (const std::u16string& arg : args) shown += u" \"" + arg + u"\"";
    return shown;
}

}  // namespace

std::optional<int> ExecuteCommand(std::u16string_view program,
                                  const std::vector<std::u16string>& args, std::u16string& log) {
    const auto output = platform::RunCollectingOutput(program, args);
    if (!output) {
        log += u"Execute Commnand:" + CommandShown(program, args) + u" Failure!\n";
        return std::nullopt;
    }
    // Decoded whole, so no character is cut between two reads.
    log += platform::FromSystemAnsi(output->bytes);
    return output->exitStatus;
}

PackerRun QuillProcessPacker::Pack(std::u16string_view pakPath, std::u16string_view first,
                                   std::u16string_view second) {
    PackerRun run;
    std::u16string log;
    const std::optional<int> status = ExecuteCommand(
        platform::ProgramFileName(u"quill"),
        {std::u16string(pakPath), std::u16string(first), std::u16string(second)}, log);
    run.text = log;
    if (status)
        run.status = *status == 0 ? PackerRun::Status::kSucceeded : PackerRun::Status::kFailed;
    return run;
}

}  // namespace pipeline
