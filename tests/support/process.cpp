#include "tests/support/process.h"

#include <condition_variable>
#include <mutex>
#include <stdexcept>
#include <thread>

#include "platform/text.h"

namespace testing_support {

std::u16string ProgramPath(const std::string& program) {
    return platform::ProgramFolder() + platform::ProgramFileName(platform::Utf8ToUtf16(program));
}

platform::StartOptions StartOptionsFor(const RunOptions& options) {
    platform::StartOptions start;
    for (const auto& [name, value] : options.environment) {
        start.environment.emplace_back(platform::Utf8ToUtf16(name), platform::Utf8ToUtf16(value));
    }
    start.folder = options.folder;
    return start;
}

// Each stream read on a thread of its own until the program closes it.
struct RunningProgram::Streams {
    mutable std::mutex mutex;
    std::condition_variable grown;
    std::string output, errors;
    int open = 2;
    platform::File outRead, errRead;
    std::thread readers[2];

    void Read(platform::File& pipe, std::string& sink) {
        char buffer[65536];
        std::size_t got = 0;
        while ((got = pipe.Read(buffer, sizeof buffer).value_or(0)) > 0) {
            const std::lock_guard<std::mutex> lock(mutex);
            sink.append(buffer, got);
            grown.notify_all();
        }
        const std::lock_guard<std::mutex> lock(mutex);
        --open;
        grown.notify_all();
    }
};

RunningProgram::RunningProgram(const std::string& program, const std::vector<std::u16string>& args,
                               const RunOptions& options)
    : m_streams(std::make_unique<Streams>()) {
    platform::File outWrite, errWrite;
    if (!platform::File::CreatePipe(m_streams->outRead, outWrite) ||
        !platform::File::CreatePipe(m_streams->errRead, errWrite)) {
        throw std::runtime_error("pipe");
    }
    platform::StartOptions start = StartOptionsFor(options);
    start.output = &outWrite;
    start.errors = &errWrite;
    PrepareToInterrupt();
    m_process = platform::Process::Start(ProgramPath(program), args, start);
    if (!m_process) throw std::runtime_error("cannot start " + program);
    outWrite.Close();
    errWrite.Close();
    Streams& streams = *m_streams;
    streams.readers[0] = std::thread([&streams] { streams.Read(streams.outRead, streams.output); });
    streams.readers[1] = std::thread([&streams] { streams.Read(streams.errRead, streams.errors); });
}

RunningProgram::~RunningProgram() {
    if (!m_process) return;
    Kill();
    Wait();
}

bool RunningProgram::WaitForOutput(std::string_view text, std::size_t count,
                                   std::chrono::seconds limit) {
    const auto holds = [&] {
        std::size_t found = 0;
        for (std::size_t at = 0; (at = m_streams->output.find(text, at)) != std::string::npos;
             at += text.size()) {
            ++found;
        }
        return found >= count;
    };
    std::unique_lock<std::mutex> lock(m_streams->mutex);
    m_streams->grown.wait_for(lock, limit, [&] { return holds() || m_streams->open == 0; });
    return holds();
}

std::string RunningProgram::output() const {
    const std::lock_guard<std::mutex> lock(m_streams->mutex);
    return m_streams->output;
}

std::string RunningProgram::errors() const {
    const std::lock_guard<std::mutex> lock(m_streams->mutex);
    return m_streams->errors;
}

ProcessResult RunningProgram::Wait() {
    ProcessResult result;
    result.exitCode = m_process->Wait();
    result.signal = m_process->signal();
    m_process.reset();
    for (std::thread& reader : m_streams->readers) reader.join();
    result.output = m_streams->output;
    result.errors = m_streams->errors;
    return result;
}

}  // namespace testing_support
