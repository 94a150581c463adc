#include "platform/DosTime.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>

#include "platform/DosAttr.h"
#include "platform/WinPath.h"

namespace {

int32_t Pack(int year, int month, int day, int hour, int minute, int second)
{
    const uint32_t date = static_cast<uint32_t>(((year - 1980) << 9) | (month << 5) | day);
    const uint32_t time = static_cast<uint32_t>((hour << 11) | (minute << 5) | (second / 2));
    return static_cast<int32_t>((date << 16) | time);
}

int32_t DosOfStat(const struct stat& st)
{
    return DateTimeToFileDate(LocalTimeFromUnix(st.st_mtim.tv_sec, static_cast<int>(st.st_mtim.tv_nsec)));
}

// Seconds since the epoch of a packing, or nothing.
std::optional<int64_t> UnixOf(int32_t fileDate)
{
    const auto time = FileDateToDateTime(fileDate);
    if (!time)
        return std::nullopt;
    return UnixFromLocalTime(*time);
}

} // namespace

int32_t DateTimeToFileDate(const TLocalTime& t)
{
    if (t.Year < 1980)
        return Pack(1980, 1, 1, 0, 0, 0);
    if (t.Year > 2107)
        return Pack(2107, 12, 31, 23, 59, 58);
    return Pack(t.Year, t.Month, t.Day, t.Hour, t.Minute, t.Second);
}

std::optional<TLocalTime> FileDateToDateTime(int32_t fileDate)
{
    const uint32_t packed = static_cast<uint32_t>(fileDate);
    const uint32_t date = packed >> 16, time = packed & 0xFFFF;
    TLocalTime t;
    t.Year = static_cast<int>(date >> 9) + 1980;
    t.Month = static_cast<int>((date >> 5) & 15);
    t.Day = static_cast<int>(date & 31);
    t.Hour = static_cast<int>(time >> 11);
    t.Minute = static_cast<int>((time >> 5) & 63);
    t.Second = static_cast<int>(time & 31) * 2;
    // Reuse the calendar check of the local-time conversion without the zone.
    static const int days[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (t.Month < 1 || t.Month > 12 || t.Day < 1 || t.Day > days[t.Month - 1] || t.Hour > 23 || t.Minute > 59
        || t.Second > 59)
        return std::nullopt;
    if (t.Month == 2 && t.Day == 29 && !((t.Year % 4 == 0 && t.Year % 100 != 0) || t.Year % 400 == 0))
        return std::nullopt;
    return t;
}

int32_t FileAge(const std::string& fileName)
{
    const auto host = HostPathOf(fileName);
    struct stat st {};
    if (!host || ::stat(host->c_str(), &st) != 0 || S_ISDIR(st.st_mode))
        return -1;
    return DosOfStat(st);
}

int32_t FileGetDate(int handle)
{
    struct stat st {};
    if (::fstat(handle, &st) != 0)
        return -1;
    return DosOfStat(st);
}

int FileSetDate(const std::string& fileName, int32_t fileDate)
{
    const auto host = HostPathOf(fileName);
    if (!host)
        return ENOENT;
    const int attr = HostFileGetAttr(*host);
    if (attr < 0)
        return ENOENT;
    // Windows opens the file for writing to set its date.
    if (attr & (faReadOnly | faDirectory))
        return EACCES;
    const auto seconds = UnixOf(fileDate);
    if (!seconds)
        return EINVAL;
    const struct timespec times[2] = {{0, UTIME_OMIT}, {static_cast<time_t>(*seconds), 0}};
    return ::utimensat(AT_FDCWD, host->c_str(), times, 0) == 0 ? 0 : errno;
}

int FileSetDate(int handle, int32_t fileDate)
{
    const auto seconds = UnixOf(fileDate);
    if (!seconds)
        return EINVAL;
    const struct timespec times[2] = {{0, UTIME_OMIT}, {static_cast<time_t>(*seconds), 0}};
    return ::futimens(handle, times) == 0 ? 0 : errno;
}
