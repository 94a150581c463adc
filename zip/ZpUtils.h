// Helpers of the archive side that need no file system: DOS date and time
// fields, the file-mask matcher, progress percentages, name hashing and the
// path text rules the stored names follow.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// --- DOS date and time -----------------------------------------------------
// Time: bits 15-11 hour, 10-5 minute, 4-0 second / 2.
// Date: bits 15-9 year - 1980, 8-5 month, 4-0 day.
struct TZpDateTime {
    int year = 1980, month = 1, day = 1, hour = 0, minute = 0, second = 0;
    bool operator==(const TZpDateTime&) const = default;
};

uint16_t ZpDosTime(const TZpDateTime& t);
uint16_t ZpDosDate(const TZpDateTime& t);
// Years outside 1980..2107 are clamped to the nearest representable instant.
TZpDateTime ZpClampDateTime(const TZpDateTime& t);
TZpDateTime ZpFromDos(uint16_t date, uint16_t time);
// Date in the high 16 bits, time in the low 16 bits.
inline uint32_t ZpDosDateTime(uint16_t date, uint16_t time) { return (uint32_t(date) << 16) | time; }
// The current local time as DOS date (high) and time (low).
uint32_t ZpNowDosDateTime();

// --- masks and progress ----------------------------------------------------
// Both arguments already upper-cased. "*" and "*.*" match everything.
bool MatchesPattern(std::string_view name, std::string_view pattern);

// Percentage with large totals scaled down so done * 100 cannot overflow.
int PercentOf(int64_t done, int64_t total);

// Round-half-to-even percentage, as the stored-data copy loops report it.
int ZpRoundedPercent(int64_t done, int64_t total);

// --- names -----------------------------------------------------------------
// ASCII upper case; bytes of 128 and above are left alone (UTF-8 safe).
std::string ZpUpper(std::string_view s);
bool ZpSameText(std::string_view a, std::string_view b);

// ELF hash of the upper-cased name, modulo the bucket count.
uint32_t ZpElfHash(std::string_view name);

// The drive part of a Windows path: "C:" or "\\server\share"; "" when none.
std::string_view ZpDrivePart(std::string_view path);
// Removes a drive or network prefix together with the "\" after it.
std::string ZpStripDrive(std::string_view path);
// Folder part including the final "\" ("" when none) and the name after it.
std::string ZpExtractFilePath(std::string_view path);
std::string ZpExtractFileName(std::string_view path);
// The extension of the name part from its last "." ("" when it has none),
// and the path with that extension replaced (or ext appended when none).
// Like the two above, only "\" and ":" end a folder part (platform/FileName.h
// also splits at "/", which would read some names differently).
std::string ZpExtractFileExt(std::string_view path);
std::string ZpChangeFileExt(std::string_view path, std::string_view ext);
std::string ZpReplaceAll(std::string_view s, char from, char to);
std::string ZpTrim(std::string_view s);

// The base directory rule: a trailing "\" is removed unless the text is one
// character long or the character before it is ":".
std::string ZpNormalizeBaseDirectory(std::string_view dir);

// Joins a folder and a name with "\" unless the folder is empty or already
// ends with "\" or ":".
std::string ZpJoinPath(std::string_view folder, std::string_view name);

// Store options as a bit set.
enum TZpStoreOption : unsigned {
    soStripDrive = 1u << 0,
    soStripPath = 1u << 1,
    soRemoveDots = 1u << 2,
    soRecurse = 1u << 3,
    soFreshen = 1u << 4,
    soReplace = 1u << 5,
};
using TZpStoreOptions = unsigned;

// The stored name of a Windows path under the store options: drive and
// leading "\" removed, leading "..\" removed with soRemoveDots, folder
// dropped with soStripPath, "/" separators.
std::string ZpStoredNameFor(std::string_view path, TZpStoreOptions options);

// A stored name made safe to extract below a folder: separators unified to
// "\", drive letters, network prefixes, leading separators, "." and ".."
// components and empty components dropped. withFolders false keeps only
// the last component. "" when nothing is left (the name was only dots or
// separators), which callers must refuse.
std::string ZpSafeRelativePath(std::string_view storedName, bool withFolders);
