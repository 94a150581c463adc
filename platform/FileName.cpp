#include "platform/FileName.h"

#include "platform/TextCase.h"

namespace {

// Index just past the last separator or drive colon, 0 when none.
size_t NameStart(std::string_view s)
{
    for (size_t i = s.size(); i > 0; --i) {
        const char c = s[i - 1];
        if (c == '\\' || c == '/' || c == ':')
            return i;
    }
    return 0;
}

} // namespace

bool IsPathSeparator(char c) { return c == '\\' || c == '/'; }

std::string ExtractFilePath(std::string_view fileName)
{
    return std::string(fileName.substr(0, NameStart(fileName)));
}

std::string ExtractFileDir(std::string_view fileName)
{
    size_t end = NameStart(fileName);
    // Keep the separator of a root ("C:\", "\") and any drive colon.
    if (end > 0 && IsPathSeparator(fileName[end - 1]) && end > 1 && fileName[end - 2] != ':'
        && !IsPathSeparator(fileName[end - 2]))
        --end;
    return std::string(fileName.substr(0, end));
}

std::string ExtractFileName(std::string_view fileName)
{
    return std::string(fileName.substr(NameStart(fileName)));
}

std::string ExtractFileExt(std::string_view fileName)
{
    const std::string_view name = fileName.substr(NameStart(fileName));
    const size_t dot = name.rfind('.');
    return dot == std::string_view::npos ? std::string() : std::string(name.substr(dot));
}

std::string ExtractFileDrive(std::string_view fileName)
{
    if (fileName.size() >= 2 && fileName[1] == ':')
        return std::string(fileName.substr(0, 2));
    if (fileName.size() >= 2 && IsPathSeparator(fileName[0]) && IsPathSeparator(fileName[1])) {
        // "\\server\share": up to the separator after the share name.
        size_t i = 2, separators = 0;
        for (; i < fileName.size(); ++i)
            if (IsPathSeparator(fileName[i]) && ++separators == 2)
                break;
        return std::string(fileName.substr(0, i));
    }
    return {};
}

std::string ChangeFileExt(std::string_view fileName, std::string_view extension)
{
    const size_t start = NameStart(fileName);
    const size_t dot = fileName.rfind('.');
    const size_t end = (dot != std::string_view::npos && dot >= start) ? dot : fileName.size();
    return std::string(fileName.substr(0, end)) + std::string(extension);
}

std::string IncludeTrailingBackslash(std::string_view path)
{
    std::string s(path);
    if (s.empty() || !IsPathSeparator(s.back()))
        s += '\\';
    return s;
}

std::string ExcludeTrailingBackslash(std::string_view path)
{
    std::string s(path);
    if (!s.empty() && IsPathSeparator(s.back()))
        s.pop_back();
    return s;
}

bool SameFileName(std::string_view a, std::string_view b) { return AnsiSameText(a, b); }
