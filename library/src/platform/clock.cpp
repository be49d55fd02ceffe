// Current time and local-time formatting.
#include "brevic/ls_files.h"

#include <cstdio>
#include <ctime>
#include <vector>

namespace brevic {

long CurrentTime() {
    return static_cast<long>(std::time(nullptr));
}

namespace {
bool LocalTime(long seconds, std::tm& out) {
    std::time_t t = static_cast<std::time_t>(seconds);
    return localtime_r(&t, &out) != nullptr;
}
} // namespace

std::string FormatLocalTime(const char* format, long seconds) {
    if (!format || !*format) return {};
    std::tm tm{};
    if (!LocalTime(seconds, tm)) return {};
    // strftime reports 0 both for an empty result and for a buffer that is too small:
    // grow a few times, then give up with an empty text.
    std::vector<char> buf(256);
    for (int attempt = 0; attempt < 5; ++attempt) {
        size_t n = std::strftime(buf.data(), buf.size(), format, &tm);
        if (n > 0) return std::string(buf.data(), n);
        buf.resize(buf.size() * 2);
    }
    return {};
}

std::string FormatLogDate(long seconds) {
    static const char* const kDays[] = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                        "Thursday", "Friday", "Saturday"};
    static const char* const kMonths[] = {"January",   "February", "March",    "April",
                                          "May",       "June",     "July",     "August",
                                          "September", "October",  "November", "December"};
    std::tm tm{};
    if (!LocalTime(seconds, tm)) return {};
    char buf[128];
    std::snprintf(buf, sizeof buf, "%s, %s %02d, %02d - %02d:%02d:%02d", kDays[tm.tm_wday % 7],
                  kMonths[tm.tm_mon % 12], tm.tm_mday, tm.tm_year % 100, tm.tm_hour, tm.tm_min,
                  tm.tm_sec);
    return buf;
}

} // namespace brevic
