#include "app/process_runner.h"

#include "platform/process.h"
#include "platform/text.h"

namespace vellum {

bool ExecuteCommand(std::u16string_view program, std::u16string_view arguments,
                    std::u16string& log) {
    const std::u16string command = std::u16string(program) + u" " + std::u16string(arguments);
    const auto output = platform::RunCollectingOutput(command);
    if (!output) {
        log += u"Execute Commnand:" + command + u" Failure!\n";
        return false;
    }
    // Decoded whole, so no character is cut between two reads.
    log += platform::FromSystemAnsi(*output);
    return true;
}

bool QuillProcessPacker::Pack(std::u16string_view pakPath, std::u16string_view first,
                              std::u16string_view second, std::u16string& log) {
    return ExecuteCommand(platform::ProgramFileName(u"quill"),
                          PackerArguments(pakPath, first, second), log);
}

}  // namespace vellum
