#pragma once
// The "created on" instant of an ascii mission. Writers take it from the caller, so output is
// reproducible when the caller wants it to be.

#include <cstdint>
#include <ctime>
#include <string>

namespace vok {

struct Timestamp {
    int year = 2000;
    int month = 1;    ///< 1..12
    int day = 1;      ///< 1..31
    int weekday = 6;  ///< 0 = Sunday .. 6 = Saturday
    int hour = 0;     ///< 0..23
    int minute = 0;
    int second = 0;

    bool operator==(const Timestamp&) const = default;
};

Timestamp timestampFrom(const std::tm& time);
/// The machine's local time now.
Timestamp localNow();
/// The last second of year 9999 (UTC), the latest instant a "created on" line can spell.
inline constexpr std::int64_t kLatestEpochSeconds = 253402300799;

/// A count of seconds since 1970 as a UTC instant; beyond kLatestEpochSeconds either way counts as that.
Timestamp utcFromEpochSeconds(std::int64_t seconds);

/// "Sunday, December 6 2026 at 08:25:21 PM": English weekday and month, the day without a leading
/// zero, a 12-hour clock in two digits (12 at noon and midnight).
std::string createdOnText(const Timestamp& time);

}  // namespace vok
