// DOS date and time, packed as (date << 16) | time: time bits 15-11 hour,
// 10-5 minute, 4-0 seconds / 2; date bits 15-9 year - 1980, 8-5 month, 4-0
// day. Values are local time of the host. -1 (never a valid packing) is the
// failure result, as with the Windows calls.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "platform/LocalTime.h"

// Times before 1980 become 1980-01-01 00:00:00, after 2107 the last DOS
// second; odd seconds round down.
int32_t DateTimeToFileDate(const TLocalTime& time);
// Nothing for a packing that names no real date or time.
std::optional<TLocalTime> FileDateToDateTime(int32_t fileDate);

// Last-write date and time of a file: -1 when it does not exist.
int32_t FileAge(const std::string& fileName);
int32_t FileGetDate(int handle);
// 0 on success, otherwise an errno value. A read-only file or folder, or an
// invalid packing, fails (EACCES, EINVAL).
int FileSetDate(const std::string& fileName, int32_t fileDate);
int FileSetDate(int handle, int32_t fileDate);
