#include "platform/process.h"

#include <utility>

namespace platform {

Process::Process(Process&& other) noexcept
    : m_id(other.m_id), m_handle(other.m_handle), m_signal(other.m_signal) {
    other.m_id = other.m_handle = 0;
}

Process& Process::operator=(Process&& other) noexcept {
    std::swap(m_id, other.m_id);
    std::swap(m_handle, other.m_handle);
    std::swap(m_signal, other.m_signal);
    return *this;
}

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
    while ((got = readEnd.Read(buffer, sizeof buffer).value_or(0)) > 0) {
        output.bytes.append(buffer, got);
    }
    output.exitStatus = process->Wait();
    return output;
}

}  // namespace platform
