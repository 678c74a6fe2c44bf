#include "platform/process.h"

namespace platform {

std::optional<ProgramOutput> RunCollectingOutput(std::u16string_view program,
                                                 const std::vector<std::u16string>& args) {
    File readEnd, writeEnd;
    if (!File::CreatePipe(readEnd, writeEnd)) return std::nullopt;
    StartOptions options;
    options.hidden = true;
    options.output = options.errors = &writeEnd;
    std::optional<Process> process = Process::Start(program, args, options);
    // Our copy of the write end closed, the pipe reports its end once the
    // program's are gone.
    writeEnd.Close();
    if (!process) return std::nullopt;
    ProgramOutput output;
    char buffer[8096];
    std::size_t got = 0;
    while (readEnd.Read(buffer, sizeof buffer, got) == IoResult::kOk && got > 0) {
        output.bytes.append(buffer, got);
    }
    output.exitStatus = process->Wait();
    return output;
}

}  // namespace platform
