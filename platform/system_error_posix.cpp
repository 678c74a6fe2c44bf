#include <cerrno>
#include <cstring>

#include "platform/system_error.h"
#include "platform/text.h"

namespace platform {

SystemError LastSystemError() {
    return {errno};
}

std::u16string Describe(SystemError error) {
    if (error.code == 0) return {};
    char buffer[256];
    // The GNU strerror_r, which returns the text (not always in the buffer).
    return FromThreadAnsi(strerror_r(error.code, buffer, sizeof buffer));
}

}  // namespace platform
