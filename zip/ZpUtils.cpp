#include "zip/ZpUtils.h"

#include <algorithm>
#include <ctime>
#include <vector>

uint16_t ZpDosTime(const TZpDateTime& t)
{
    const TZpDateTime c = ZpClampDateTime(t);
    return static_cast<uint16_t>((c.hour << 11) | (c.minute << 5) | (c.second / 2));
}

uint16_t ZpDosDate(const TZpDateTime& t)
{
    const TZpDateTime c = ZpClampDateTime(t);
    return static_cast<uint16_t>(((c.year - 1980) << 9) | (c.month << 5) | c.day);
}

TZpDateTime ZpClampDateTime(const TZpDateTime& t)
{
    if (t.year < 1980)
        return TZpDateTime{1980, 1, 1, 0, 0, 0};
    if (t.year > 2107)
        return TZpDateTime{2107, 12, 31, 23, 59, 58};
    return t;
}

TZpDateTime ZpFromDos(uint16_t date, uint16_t time)
{
    TZpDateTime t;
    t.year = 1980 + (date >> 9);
    t.month = (date >> 5) & 0x0F;
    t.day = date & 0x1F;
    t.hour = time >> 11;
    t.minute = (time >> 5) & 0x3F;
    t.second = (time & 0x1F) * 2;
    return t;
}

uint32_t ZpNowDosDateTime()
{
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    const TZpDateTime t{local.tm_year + 1900, local.tm_mon + 1, local.tm_mday,
                        local.tm_hour, local.tm_min, local.tm_sec};
    return ZpDosDateTime(ZpDosDate(t), ZpDosTime(t));
}

bool MatchesPattern(std::string_view name, std::string_view pattern)
{
    if (pattern == "*" || pattern == "*.*")
        return true;
    // Two-pointer match with one backtrack point: equivalent to trying every
    // tail after a "*" shortest first, without the exponential recursion.
    size_t n = 0, p = 0;
    size_t starP = std::string_view::npos, starN = 0;
    while (n < name.size()) {
        if (p < pattern.size() && (pattern[p] == '?' || pattern[p] == name[n])) {
            ++n;
            ++p;
        } else if (p < pattern.size() && pattern[p] == '*') {
            starP = p++;
            starN = n;
        } else if (starP != std::string_view::npos) {
            p = starP + 1;
            n = ++starN;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*')
        ++p;
    return p == pattern.size();
}

int PercentOf(int64_t done, int64_t total)
{
    if (total > 16384000) {
        done = (done + 128) >> 8;
        total = (total + 128) >> 8;
    }
    if (total <= 0)
        return 0;
    if (done < total)
        return static_cast<int>(done * 100 / total);
    return 100;
}

int ZpRoundedPercent(int64_t done, int64_t total)
{
    if (total <= 0)
        return 100;
    // done is at most 2^32 here, so done * 100 fits comfortably.
    const int64_t num = done * 100;
    int64_t q = num / total;
    const int64_t r2 = (num % total) * 2;
    if (r2 > total || (r2 == total && (q & 1)))
        ++q;
    return static_cast<int>(q);
}

std::string ZpUpper(std::string_view s)
{
    std::string out(s);
    for (char& c : out)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return out;
}

bool ZpSameText(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && ZpUpper(a) == ZpUpper(b);
}

uint32_t ZpElfHash(std::string_view name)
{
    uint32_t h = 0;
    for (char ch : ZpUpper(name)) {
        h = (h << 4) + static_cast<uint8_t>(ch);
        const uint32_t g = h & 0xF0000000u;
        if (g != 0)
            h ^= g >> 24;
        h &= ~g;
    }
    return h % 1021;
}

std::string_view ZpDrivePart(std::string_view path)
{
    if (path.size() >= 2 && path[1] == ':')
        return path.substr(0, 2);
    if (path.size() >= 2 && path[0] == '\\' && path[1] == '\\') {
        size_t server = path.find('\\', 2);
        if (server == std::string_view::npos)
            return path;
        size_t share = path.find('\\', server + 1);
        return share == std::string_view::npos ? path : path.substr(0, share);
    }
    return {};
}

std::string ZpStripDrive(std::string_view path)
{
    std::string_view drive = ZpDrivePart(path);
    path.remove_prefix(drive.size());
    if (!drive.empty() && !path.empty() && path.front() == '\\')
        path.remove_prefix(1);
    return std::string(path);
}

std::string ZpExtractFilePath(std::string_view path)
{
    const size_t cut = path.find_last_of("\\:");
    return cut == std::string_view::npos ? std::string() : std::string(path.substr(0, cut + 1));
}

std::string ZpExtractFileName(std::string_view path)
{
    const size_t cut = path.find_last_of("\\:");
    return std::string(cut == std::string_view::npos ? path : path.substr(cut + 1));
}

namespace {

// Where the extension of the name part starts; npos when it has none.
size_t ExtensionStart(std::string_view path)
{
    const size_t cut = path.find_last_of("\\:");
    const size_t dot = path.rfind('.');
    return dot != std::string_view::npos && (cut == std::string_view::npos || dot > cut) ? dot : std::string_view::npos;
}

} // namespace

std::string ZpExtractFileExt(std::string_view path)
{
    const size_t dot = ExtensionStart(path);
    return dot == std::string_view::npos ? std::string() : std::string(path.substr(dot));
}

std::string ZpChangeFileExt(std::string_view path, std::string_view ext)
{
    return std::string(path.substr(0, ExtensionStart(path))) + std::string(ext);
}

std::string ZpReplaceAll(std::string_view s, char from, char to)
{
    std::string out(s);
    std::replace(out.begin(), out.end(), from, to);
    return out;
}

std::string ZpTrim(std::string_view s)
{
    const size_t b = s.find_first_not_of(" \t");
    if (b == std::string_view::npos)
        return {};
    const size_t e = s.find_last_not_of(" \t");
    return std::string(s.substr(b, e - b + 1));
}

std::string ZpNormalizeBaseDirectory(std::string_view dir)
{
    if (dir.size() > 1 && dir.back() == '\\' && dir[dir.size() - 2] != ':')
        dir.remove_suffix(1);
    return std::string(dir);
}

std::string ZpJoinPath(std::string_view folder, std::string_view name)
{
    std::string out(folder);
    if (!out.empty() && out.back() != '\\' && out.back() != ':')
        out += '\\';
    out += name;
    return out;
}

std::string ZpStoredNameFor(std::string_view path, TZpStoreOptions options)
{
    std::string s = ZpStripDrive(path);
    if (s.size() > 1 && s.front() == '\\')
        s.erase(0, 1);
    if (options & soStripPath)
        s = ZpExtractFileName(s);
    if (options & soRemoveDots)
        while (s.rfind("..\\", 0) == 0)
            s.erase(0, 3);
    return ZpReplaceAll(s, '\\', '/');
}

std::string ZpSafeRelativePath(std::string_view storedName, bool withFolders)
{
    const std::string unified = ZpStripDrive(ZpReplaceAll(storedName, '/', '\\'));
    std::vector<std::string> parts;
    size_t start = 0;
    while (start <= unified.size()) {
        size_t end = unified.find('\\', start);
        if (end == std::string::npos)
            end = unified.size();
        std::string part = unified.substr(start, end - start);
        // A drive letter left inside the name ("a\C:\x") or a stream suffix
        // would turn the component into something other than a plain name.
        std::replace(part.begin(), part.end(), ':', '_');
        if (!part.empty() && part != "." && part != "..")
            parts.push_back(std::move(part));
        start = end + 1;
    }
    if (parts.empty())
        return {};
    // A name ending in a separator stands for a folder; its last component
    // is that folder.
    if (!withFolders)
        return parts.back();
    std::string out;
    for (const std::string& p : parts) {
        if (!out.empty())
            out += '\\';
        out += p;
    }
    return out;
}
