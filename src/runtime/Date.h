#pragma once
// A date as the original runtime held it: days since 30 December 1899, the fraction being the
// time of day.
#include <string>

namespace runtime {

struct Date {
    double serial = 0.0;

    friend bool operator==(const Date&, const Date&) = default;
    friend auto operator<=>(const Date&, const Date&) = default;

    static Date fromCivil(int year, int month, int day, int hour = 0, int minute = 0, double second = 0);
    // "YYYY-MM-DD", with " hh:mm:ss" when there is a time of day.
    std::string text() const;
};

}  // namespace runtime
