#include "platform/WinPath.h"

#include <algorithm>
#include <dirent.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "platform/Machine.h"
#include "platform/TextCase.h"

namespace {

std::string& CurrentDir()
{
    static std::string current;   // empty: not yet taken from the host
    return current;
}

bool IsSep(char c) { return c == '\\' || c == '/'; }

bool IsDriveLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

// Appends the components of path to parts, folding "." and ".." (never
// above the start of parts) and dropping empty ones.
std::vector<std::string> Fold(std::string_view path, std::vector<std::string> parts = {})
{
    size_t i = 0;
    while (i <= path.size()) {
        size_t j = i;
        while (j < path.size() && !IsSep(path[j]))
            ++j;
        const std::string_view part = path.substr(i, j - i);
        if (part == "..") {
            if (!parts.empty())
                parts.pop_back();
        } else if (!part.empty() && part != ".") {
            parts.emplace_back(part);
        }
        i = j + 1;
    }
    return parts;
}

std::string Join(const std::string& prefix, const std::vector<std::string>& parts, bool trailing)
{
    std::string out = prefix;
    for (size_t i = 0; i < parts.size(); ++i) {
        if (i > 0)
            out += '\\';
        out += parts[i];
    }
    if (trailing && !parts.empty())
        out += '\\';
    return out;
}

std::string HostCurrentDirAsWindows()
{
    std::unique_ptr<char, decltype(&free)> cwd(getcwd(nullptr, 0), &free);
    if (cwd) {
        const std::string w = WindowsPathOf(cwd.get());
        if (!w.empty())
            return w;
    }
    return "C:\\";
}

// The entry of folder whose name equals name without case; exact wins, the
// smallest name among several otherwise, so the answer does not depend on
// the enumeration order.
std::optional<std::string> FindNoCase(const std::string& folder, const std::string& name)
{
    struct stat st {};
    if (::lstat((folder + "/" + name).c_str(), &st) == 0)
        return name;
    DIR* dir = ::opendir(folder.c_str());
    if (dir == nullptr)
        return std::nullopt;
    std::optional<std::string> best;
    const std::string wanted = AnsiUpperCase(name);
    while (const dirent* e = ::readdir(dir)) {
        const std::string entry = e->d_name;
        if (entry.size() == name.size() && AnsiUpperCase(entry) == wanted && (!best || entry < *best))
            best = entry;
    }
    ::closedir(dir);
    return best;
}

} // namespace

void ResetCurrentDir() { CurrentDir().clear(); }

std::string ExpandFileName(const std::string& fileName)
{
    if (fileName.empty())
        return {};
    const bool trailing = IsSep(fileName.back());
    if (fileName.size() >= 2 && IsSep(fileName[0]) && IsSep(fileName[1])) {
        // "\\server\share\...": the server and share stay the root.
        const auto parts = Fold(std::string_view(fileName).substr(2));
        return Join("\\\\", parts, trailing);
    }
    std::string drive;
    std::string base;   // folder the rest is relative to, full
    std::string_view rest = fileName;
    if (fileName.size() >= 2 && fileName[1] == ':' && IsDriveLetter(fileName[0])) {
        drive = fileName.substr(0, 2);
        rest.remove_prefix(2);
        if (rest.empty() || !IsSep(rest.front())) {
            const std::string current = GetCurrentDir();
            base = SameText(current.substr(0, 2), drive) ? current : drive + "\\";
        }
    } else {
        const std::string current = GetCurrentDir();   // always "X:\..."
        drive = current.substr(0, 2);
        if (!IsSep(rest.front()))
            base = current;
    }
    std::vector<std::string> parts;
    if (!base.empty())
        parts = Fold(std::string_view(base).substr(2));
    return Join(drive + "\\", Fold(rest, std::move(parts)), trailing);
}

std::optional<std::string> HostPathOf(const std::string& fileName)
{
    // A NUL would cut the host name short and name another file.
    if (fileName.find('\0') != std::string::npos)
        return std::nullopt;
    const std::string full = ExpandFileName(fileName);
    if (full.size() < 3 || full[1] != ':')
        return std::nullopt;
    const TDriveEntry* drive = TMachine::Current().Drive(full[0]);
    if (drive == nullptr)
        return std::nullopt;
    std::string host = drive->RootHostPath();
    bool missing = false;
    for (const auto& part : Fold(std::string_view(full).substr(3))) {
        std::optional<std::string> found;
        if (!missing)
            found = FindNoCase(host, part);
        missing = !found;
        if (host.back() != '/')
            host += '/';
        host += found ? *found : part;
    }
    return host;
}

std::string WindowsPathOf(const std::string& hostPath)
{
    if (hostPath.empty() || hostPath.front() != '/')
        return {};
    std::string path = hostPath;
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    const TDriveEntry* best = nullptr;
    std::string bestRoot;
    for (const auto& d : TMachine::Current().Drives()) {
        const std::string root = d.RootHostPath();
        const bool inside = root == "/" || path == root || path.compare(0, root.size() + 1, root + "/") == 0;
        if (inside && (best == nullptr || root.size() > bestRoot.size())) {
            best = &d;
            bestRoot = root;
        }
    }
    if (best == nullptr)
        return {};
    std::string rest = path.substr(bestRoot == "/" ? 1 : bestRoot.size());
    if (!rest.empty() && rest.front() == '/')
        rest.erase(0, 1);
    std::replace(rest.begin(), rest.end(), '/', '\\');
    return std::string(1, best->Letter) + ":\\" + rest;
}

std::string GetCurrentDir()
{
    std::string& current = CurrentDir();
    if (current.empty())
        current = HostCurrentDirAsWindows();
    return current;
}

bool SetCurrentDir(const std::string& dir)
{
    const std::string full = ExpandFileName(dir);
    const auto host = HostPathOf(full);
    struct stat st {};
    if (!host || ::stat(host->c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
        return false;
    std::string kept = full;
    if (kept.size() > 3 && IsSep(kept.back()))
        kept.pop_back();
    CurrentDir() = kept;
    return true;
}
