#include "runtime/Date.h"

#include <cmath>
#include <cstdio>

namespace runtime {
namespace {

// Days from 1970-01-01 of a civil date (proleptic Gregorian), after H. Hinnant's algorithm.
long daysFromCivil(long y, unsigned m, unsigned d) {
    y -= m <= 2;
    const long era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<long>(doe) - 719468;
}

void civilFromDays(long z, long& y, unsigned& m, unsigned& d) {
    z += 719468;
    const long era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    y = static_cast<long>(yoe) + era * 400;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    d = doy - (153 * mp + 2) / 5 + 1;
    m = mp < 10 ? mp + 3 : mp - 9;
    y += m <= 2;
}

constexpr long kEpochOffset = 25569;  // 1970-01-01 as a serial day

}  // namespace

Date Date::fromCivil(int year, int month, int day, int hour, int minute, double second) {
    const long days = daysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day));
    return Date{static_cast<double>(days + kEpochOffset) + (hour * 3600.0 + minute * 60.0 + second) / 86400.0};
}

std::string Date::text() const {
    // Outside the years 100 to 9999 (or NaN) there is no calendar date, and the day count
    // would not fit its integer.
    if (!(serial >= -657434.0 && serial < 2958466.0)) return "(no date)";
    const double dayPart = std::floor(serial);
    long seconds = std::lround((serial - dayPart) * 86400.0);
    long days = static_cast<long>(dayPart) - kEpochOffset;
    if (seconds >= 86400) {
        seconds -= 86400;
        ++days;
    }
    long y = 0;
    unsigned m = 0, d = 0;
    civilFromDays(days, y, m, d);
    char buffer[96];
    if (seconds == 0) {
        std::snprintf(buffer, sizeof buffer, "%04ld-%02u-%02u", y, m, d);
    } else {
        std::snprintf(buffer, sizeof buffer, "%04ld-%02u-%02u %02ld:%02ld:%02ld", y, m, d, seconds / 3600,
                      (seconds / 60) % 60, seconds % 60);
    }
    return buffer;
}

}  // namespace runtime
