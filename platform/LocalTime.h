// Local date and time of the host, and the date/time text of the utility.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

struct TLocalTime {
    int Year = 1980;
    int Month = 1;    // 1..12
    int Day = 1;      // 1..31
    int Hour = 0;
    int Minute = 0;
    int Second = 0;
    int Millisecond = 0;

    bool operator==(const TLocalTime&) const = default;
};

TLocalTime Now();
TLocalTime LocalTimeFromUnix(int64_t seconds, int nanoseconds = 0);
// Nothing for a date that does not exist (Feb 30, month 13 ...).
std::optional<int64_t> UnixFromLocalTime(const TLocalTime& time);

// Separators of the host's date and time format ('/' and ':' by default).
char DateSeparator();
char TimeSeparator();

// Delphi-style patterns: yyyy yy mm m dd d hh h nn n ss s zzz; "/" and ":"
// give the separators above; text in '...' or "..." is copied. ("mm" is
// always the month; minutes are "nn".)
std::string FormatDateTime(std::string_view format, const TLocalTime& time);
