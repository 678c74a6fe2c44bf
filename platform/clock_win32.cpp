#include <ctime>

#include "platform/clock.h"

namespace platform {

LocalDateTime ToLocalTime(std::int64_t seconds) {
    const __time64_t moment = seconds;
    std::tm local{};
    _localtime64_s(&local, &moment);
    return {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday,
            local.tm_hour,        local.tm_min,     local.tm_sec};
}

}  // namespace platform
