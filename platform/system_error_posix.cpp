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

bool IsMissing(SystemError error) {
    return error.code == ENOENT || error.code == ENOTDIR;
}

bool IsInUse(SystemError) {
    return false;
}

bool AlreadyExists(SystemError error) {
    return error.code == EEXIST;
}

bool IsDiskFull(SystemError error) {
    return error.code == ENOSPC || error.code == EDQUOT;
}

}  // namespace platform
