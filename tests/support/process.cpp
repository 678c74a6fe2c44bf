#include "tests/support/process.h"

#include "platform/process.h"
#include "platform/text.h"

namespace testing_support {

std::u16string ProgramPath(const std::string& program) {
    return platform::ProgramFolder() + platform::ProgramFileName(platform::Utf8ToUtf16(program));
}

}  // namespace testing_support
