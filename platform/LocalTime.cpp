#include "platform/LocalTime.h"

#include <cstdio>
#include <ctime>
#include <langinfo.h>
#include <time.h>

namespace {

// The first separator character of a locale format such as "%m/%d/%y".
char SeparatorOf(nl_item item, char fallback)
{
    const char* format = nl_langinfo(item);
    if (format == nullptr)
        return fallback;
    for (const char* p = format; *p != '\0'; ++p) {
        if (*p == '%') {
            if (p[1] == '\0')
                break;
            ++p;
            continue;
        }
        if (*p != ' ')
            return *p;
    }
    return fallback;
}

bool IsLeap(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int DaysInMonth(int year, int month)
{
    static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && IsLeap(year) ? 29 : days[month - 1];
}

} // namespace

TLocalTime LocalTimeFromUnix(int64_t seconds, int nanoseconds)
{
    const time_t t = static_cast<time_t>(seconds);
    struct tm tm {};
    localtime_r(&t, &tm);
    TLocalTime r;
    r.Year = tm.tm_year + 1900;
    r.Month = tm.tm_mon + 1;
    r.Day = tm.tm_mday;
    r.Hour = tm.tm_hour;
    r.Minute = tm.tm_min;
    r.Second = tm.tm_sec > 59 ? 59 : tm.tm_sec;
    r.Millisecond = nanoseconds / 1000000;
    return r;
}

TLocalTime Now()
{
    struct timespec ts {};
    clock_gettime(CLOCK_REALTIME, &ts);
    return LocalTimeFromUnix(ts.tv_sec, static_cast<int>(ts.tv_nsec));
}

std::optional<int64_t> UnixFromLocalTime(const TLocalTime& time)
{
    if (time.Month < 1 || time.Month > 12 || time.Day < 1 || time.Day > DaysInMonth(time.Year, time.Month)
        || time.Hour < 0 || time.Hour > 23 || time.Minute < 0 || time.Minute > 59 || time.Second < 0
        || time.Second > 59)
        return std::nullopt;
    struct tm tm {};
    tm.tm_year = time.Year - 1900;
    tm.tm_mon = time.Month - 1;
    tm.tm_mday = time.Day;
    tm.tm_hour = time.Hour;
    tm.tm_min = time.Minute;
    tm.tm_sec = time.Second;
    tm.tm_isdst = -1;   // let the zone rules decide
    const time_t t = mktime(&tm);
    if (t == static_cast<time_t>(-1) && !(tm.tm_year == 69 && tm.tm_mon == 11 && tm.tm_mday == 31))
        return std::nullopt;
    return static_cast<int64_t>(t);
}

char DateSeparator() { return SeparatorOf(D_FMT, '/'); }
char TimeSeparator() { return SeparatorOf(T_FMT, ':'); }

std::string FormatDateTime(std::string_view format, const TLocalTime& time)
{
    std::string out;
    auto number = [&out](int value, int width) {
        char buffer[16];
        std::snprintf(buffer, sizeof buffer, "%0*d", width, value);
        out += buffer;
    };
    // Length of the run of c starting at i, in any case.
    auto run = [&format](size_t i, char c) {
        size_t n = 0;
        while (i + n < format.size() && (format[i + n] | 0x20) == c)
            ++n;
        return n;
    };
    for (size_t i = 0; i < format.size();) {
        const char c = format[i];
        const char lower = static_cast<char>(c | 0x20);
        if (c == '\'' || c == '"') {
            const size_t close = format.find(c, i + 1);
            const size_t end = close == std::string_view::npos ? format.size() : close;
            out.append(format.substr(i + 1, end - i - 1));
            i = end + 1;
            continue;
        }
        if (c == '/') { out += DateSeparator(); ++i; continue; }
        if (c == ':') { out += TimeSeparator(); ++i; continue; }
        size_t n = 0;
        switch (lower) {
        case 'y':
            n = run(i, 'y');
            if (n >= 3) number(time.Year, 4); else number(time.Year % 100, 2);
            break;
        case 'm': n = std::min<size_t>(run(i, 'm'), 2); number(time.Month, static_cast<int>(n)); break;
        case 'd': n = std::min<size_t>(run(i, 'd'), 2); number(time.Day, static_cast<int>(n)); break;
        case 'h': n = std::min<size_t>(run(i, 'h'), 2); number(time.Hour, static_cast<int>(n)); break;
        case 'n': n = std::min<size_t>(run(i, 'n'), 2); number(time.Minute, static_cast<int>(n)); break;
        case 's': n = std::min<size_t>(run(i, 's'), 2); number(time.Second, static_cast<int>(n)); break;
        case 'z':
            n = run(i, 'z');
            if (n >= 3) { n = 3; number(time.Millisecond, 3); } else { n = 1; number(time.Millisecond, 1); }
            break;
        default:
            out += c;
            n = 1;
            break;
        }
        i += n;
    }
    return out;
}
