#include "mission/core/timestamp.h"

#include <algorithm>
#include <chrono>
#include <cstdio>

namespace vok {

Timestamp timestampFrom(const std::tm& time) {
    return Timestamp{time.tm_year + 1900, time.tm_mon + 1, time.tm_mday, time.tm_wday,
                     time.tm_hour,        time.tm_min,     time.tm_sec};
}

Timestamp localNow() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
#if defined(_WIN32)
    localtime_s(&local, &now);
#else
    localtime_r(&now, &local);
#endif
    return timestampFrom(local);
}

Timestamp utcFromEpochSeconds(std::int64_t seconds) {
    using namespace std::chrono;
    const sys_seconds instant{
        std::chrono::seconds{std::clamp<std::int64_t>(seconds, -kLatestEpochSeconds, kLatestEpochSeconds)}};
    const sys_days days = floor<std::chrono::days>(instant);
    const year_month_day date{days};
    const hh_mm_ss clock{instant - days};
    Timestamp t;
    t.year = static_cast<int>(date.year());
    t.month = static_cast<int>(static_cast<unsigned>(date.month()));
    t.day = static_cast<int>(static_cast<unsigned>(date.day()));
    t.weekday = static_cast<int>(weekday{days}.c_encoding());
    t.hour = static_cast<int>(clock.hours().count());
    t.minute = static_cast<int>(clock.minutes().count());
    t.second = static_cast<int>(clock.seconds().count());
    return t;
}

std::string createdOnText(const Timestamp& time) {
    static constexpr const char* kWeekdays[] = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                                "Thursday", "Friday", "Saturday"};
    static constexpr const char* kMonths[] = {"January", "February", "March",     "April",   "May",      "June",
                                              "July",    "August",   "September", "October", "November", "December"};
    const int hour12 = time.hour % 12 == 0 ? 12 : time.hour % 12;
    char buffer[96];
    std::snprintf(buffer, sizeof buffer, "%s, %s %d %04d at %02d:%02d:%02d %s", kWeekdays[(time.weekday % 7 + 7) % 7],
                  kMonths[((time.month - 1) % 12 + 12) % 12], time.day, time.year, hour12, time.minute, time.second,
                  time.hour < 12 ? "AM" : "PM");
    return buffer;
}

}  // namespace vok
