#include "tests/support/process.h"

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

}  // namespace testing_support
