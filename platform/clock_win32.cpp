#include <ctime>

#include "platform/clock.h"

namespace platform {

std::optional<LocalDateTime> ToLocalTime(std::int64_t seconds) {
    const __time64_t moment = seconds;
    std::tm local{};
    if (_localtime64_s(&local, &moment) != 0) return std::nullopt;
    return LocalDateTime{local.tm_year + 1900, local.tm_mon + 1, local.tm_mday,
                         local.tm_hour,        local.tm_min,     local.tm_sec};
}

}  // namespace platform
