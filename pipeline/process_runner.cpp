#include "pipeline/process_runner.h"

#include "platform/process.h"
#include "platform/text.h"

namespace pipeline {

std::optional<int> ExecuteCommand(std::u16string_view program, std::u16string_view arguments,
                                  std::u16string& log) {
    const std::u16string command = std::u16string(program) + u" " + std::u16string(arguments);
    const auto output = platform::RunCollectingOutput(command);
    if (!output) {
        log += u"Execute Commnand:" + command + u" Failure!\n";
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
    const std::optional<int> status = ExecuteCommand(platform::ProgramFileName(u"quill"),
                                                     PackerArguments(pakPath, first, second), log);
    run.text = log;
    if (status)
        run.status = *status == 0 ? PackerRun::Status::kSucceeded : PackerRun::Status::kFailed;
    return run;
}

}  // namespace pipeline
