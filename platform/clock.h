// Calendar time in the local time zone.
#pragma once

#include <cstdint>
#include <optional>

namespace platform {

struct LocalDateTime {
    int year;    // e.g. 2009
    int month;   // 1..12
    int day;     // 1..31
    int hour;    // 0..23
    int minute;  // 0..59
    int second;  // 0..59 (60 for a leap second)
};

// The local date and time of a moment given in seconds since 1970 (UTC), or
// nothing when the system cannot tell it (a moment too far off).
std::optional<LocalDateTime> ToLocalTime(std::int64_t seconds);

}  // namespace platform
