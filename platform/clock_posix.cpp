#include <ctime>

#include "platform/clock.h"

namespace platform {

std::optional<LocalDateTime> ToLocalTime(std::int64_t seconds) {
    const std::time_t moment = static_cast<std::time_t>(seconds);
    std::tm local{};
    if (!localtime_r(&moment, &local)) return std::nullopt;
    return LocalDateTime{local.tm_year + 1900, local.tm_mon + 1, local.tm_mday,
                         local.tm_hour,        local.tm_min,     local.tm_sec};
}

}  // namespace platform
