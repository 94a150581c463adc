#include "platform/FileSystem.h"

#include <cerrno>
#include <cstdio>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>
#include <vector>

#include "platform/DosAttr.h"
#include "platform/DosTime.h"
#include "platform/FileName.h"
#include "platform/TextCase.h"
#include "platform/WinPath.h"

struct TSearchState {
    DIR* Dir = nullptr;
    std::string HostFolder;
    std::string Mask;
    bool AtRoot = false;

    ~TSearchState()
    {
        if (Dir != nullptr)
            ::closedir(Dir);
    }
};

namespace {

bool StatHost(const std::string& fileName, struct stat& st, std::string* hostOut = nullptr)
{
    const auto host = HostPathOf(fileName);
    if (!host) {
        errno = ENOENT;
        return false;
    }
    if (hostOut != nullptr)
        *hostOut = *host;
    return ::stat(host->c_str(), &st) == 0;
}

// Glob on upper-cased text: "*" any run, "?" one character (one byte of
// ASCII or a whole UTF-8 sequence).
bool Glob(std::string_view name, std::string_view mask)
{
    size_t n = 0, m = 0, starM = std::string_view::npos, starN = 0;
    auto charLen = [](std::string_view s, size_t i) {
        const unsigned char c = static_cast<unsigned char>(s[i]);
        size_t len = c < 0x80 ? 1 : c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 1;
        return std::min(len, s.size() - i);
    };
    while (n < name.size()) {
        if (m < mask.size() && mask[m] == '*') {
            starM = ++m;
            starN = n;
        } else if (m < mask.size() && mask[m] == '?') {
            ++m;
            n += charLen(name, n);
        } else if (m < mask.size() && mask[m] == name[n]) {
            ++m;
            ++n;
        } else if (starM != std::string_view::npos) {
            m = starM;
            starN += charLen(name, starN);
            n = starN;
        } else {
            return false;
        }
    }
    while (m < mask.size() && mask[m] == '*')
        ++m;
    return m == mask.size();
}

// Fills rec from the next entry that passes the mask and the filter.
int Advance(TSearchRec& rec)
{
    TSearchState& s = *rec.State;
    while (const dirent* e = ::readdir(s.Dir)) {
        const std::string name = e->d_name;
        if (s.AtRoot && (name == "." || name == ".."))
            continue;
        if (!MatchesMask(name, s.Mask))
            continue;
        const std::string host = s.HostFolder + "/" + name;
        struct stat st {};
        if (::stat(host.c_str(), &st) != 0)
            continue;   // a dangling link or a vanished entry
        int attr = HostFileGetAttr(host);
        if (attr < 0)
            continue;
        if (name == "." || name == "..")
            attr = faDirectory;
        if ((attr & rec.ExcludeAttr) != 0)
            continue;
        rec.Name = name;
        rec.Attr = attr;
        rec.Size = S_ISDIR(st.st_mode) ? 0 : static_cast<int64_t>(st.st_size);
        rec.Time = DateTimeToFileDate(LocalTimeFromUnix(st.st_mtim.tv_sec));
        return 0;
    }
    return ERROR_NO_MORE_FILES;
}

bool CopyContents(int in, int out)
{
    std::vector<char> buffer(1 << 16);
    for (;;) {
        const ssize_t n = ::read(in, buffer.data(), buffer.size());
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        if (n == 0)
            return true;
        for (ssize_t done = 0; done < n;) {
            const ssize_t w = ::write(out, buffer.data() + done, static_cast<size_t>(n - done));
            if (w < 0) {
                if (errno == EINTR)
                    continue;
                return false;
            }
            done += w;
        }
    }
}

// Copies the host file src to a new name beside dst and renames it over dst,
// so dst is replaced whole or not at all. Mode bits, times and attributes go
// along as CopyFile carries them.
bool CopyHostFile(const std::string& src, const std::string& dst)
{
    const int in = ::open(src.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0)
        return false;
    struct stat st {};
    if (::fstat(in, &st) != 0 || S_ISDIR(st.st_mode)) {
        const int error = S_ISDIR(st.st_mode) ? EISDIR : errno;
        ::close(in);
        errno = error;
        return false;
    }
    const std::string temp = dst + ".vorn-copy-" + std::to_string(getpid());
    const int out = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (out < 0) {
        const int error = errno;
        ::close(in);
        errno = error;
        return false;
    }
    bool ok = CopyContents(in, out);
    int error = ok ? 0 : errno;
    const struct timespec times[2] = {st.st_atim, st.st_mtim};
    if (ok && (::futimens(out, times) != 0 || ::fchmod(out, st.st_mode & 07777) != 0)) {
        ok = false;
        error = errno;
    }
    if (ok) {
        char value[16];
        const ssize_t n = ::fgetxattr(in, "user.dos.attrib", value, sizeof value);
        if (n > 0)
            ::fsetxattr(out, "user.dos.attrib", value, static_cast<size_t>(n), 0);
    }
    if (::close(out) != 0 && ok) {
        ok = false;
        error = errno;
    }
    ::close(in);
    if (ok && ::rename(temp.c_str(), dst.c_str()) != 0) {
        ok = false;
        error = errno;
    }
    if (!ok) {
        ::unlink(temp.c_str());
        errno = error;
    }
    return ok;
}

} // namespace

bool MatchesMask(const std::string& name, const std::string& mask)
{
    if (mask == "*.*" || mask == "*")
        return true;
    const std::string n = AnsiUpperCase(name), m = AnsiUpperCase(mask);
    if (Glob(n, m))
        return true;
    // As on Windows, "name.*" also matches "name", and "*." matches names
    // without an extension.
    if (m.size() >= 2 && m.compare(m.size() - 2, 2, ".*") == 0 && Glob(n, m.substr(0, m.size() - 2)))
        return true;
    if (!m.empty() && m.back() == '.' && n.find('.') == std::string::npos && Glob(n, m.substr(0, m.size() - 1)))
        return true;
    return false;
}

bool FileExists(const std::string& fileName)
{
    struct stat st {};
    return StatHost(fileName, st) && !S_ISDIR(st.st_mode);
}

bool DirectoryExists(const std::string& dir)
{
    struct stat st {};
    return StatHost(dir, st) && S_ISDIR(st.st_mode);
}

int64_t FileSize(const std::string& fileName)
{
    struct stat st {};
    if (!StatHost(fileName, st) || S_ISDIR(st.st_mode))
        return -1;
    return static_cast<int64_t>(st.st_size);
}

bool DeleteFile(const std::string& fileName)
{
    struct stat st {};
    std::string host;
    if (!StatHost(fileName, st, &host))
        return false;
    if (S_ISDIR(st.st_mode)) {
        errno = EISDIR;
        return false;
    }
    if ((st.st_mode & S_IWUSR) == 0) {   // read-only: Windows refuses
        errno = EACCES;
        return false;
    }
    return ::unlink(host.c_str()) == 0;
}

bool CopyFile(const std::string& existingFileName, const std::string& newFileName, bool failIfExists)
{
    const auto src = HostPathOf(existingFileName);
    const auto dst = HostPathOf(newFileName);
    if (!src || !dst) {
        errno = ENOENT;
        return false;
    }
    const int targetAttr = HostFileGetAttr(*dst);
    if (targetAttr >= 0) {
        if (failIfExists) {
            errno = EEXIST;
            return false;
        }
        if (targetAttr & (faReadOnly | faHidden | faDirectory)) {
            errno = EACCES;
            return false;
        }
    }
    return CopyHostFile(*src, *dst);
}

bool MoveFile(const std::string& existingFileName, const std::string& newFileName)
{
    const auto src = HostPathOf(existingFileName);
    auto dst = HostPathOf(newFileName);
    if (!src || !dst) {
        errno = ENOENT;
        return false;
    }
    struct stat st {};
    if (::stat(src->c_str(), &st) != 0)
        return false;
    // Renaming to another case of the same name is allowed (the new name
    // takes the case written); any other existing target is not.
    struct stat target {};
    if (::lstat(dst->c_str(), &target) == 0) {
        if (!(target.st_ino == st.st_ino && target.st_dev == st.st_dev)) {
            errno = EEXIST;
            return false;
        }
        *dst = dst->substr(0, dst->find_last_of('/') + 1) + ExtractFileName(ExcludeTrailingBackslash(newFileName));
        if (*dst == *src)
            return true;
        return ::rename(src->c_str(), dst->c_str()) == 0;
    }
    if (::renameat2(AT_FDCWD, src->c_str(), AT_FDCWD, dst->c_str(), RENAME_NOREPLACE) == 0)
        return true;
    if (errno == EINVAL && ::rename(src->c_str(), dst->c_str()) == 0)   // file systems without NOREPLACE
        return true;
    if (errno != EXDEV || S_ISDIR(st.st_mode))
        return false;
    // Across host file systems a file is copied, then the original removed.
    if (!CopyHostFile(*src, *dst))
        return false;
    return ::unlink(src->c_str()) == 0;
}

bool CreateDir(const std::string& dir)
{
    const auto host = HostPathOf(dir);
    if (!host) {
        errno = ENOENT;
        return false;
    }
    return ::mkdir(host->c_str(), 0777) == 0;
}

bool ForceDirectories(const std::string& dir)
{
    const std::string full = ExcludeTrailingBackslash(ExpandFileName(dir));
    if (full.empty())
        return false;
    if (DirectoryExists(full))
        return true;
    const std::string parent = ExtractFileDir(full);
    if (parent == full || parent.empty())
        return false;   // a root that does not exist
    return ForceDirectories(parent) && (CreateDir(full) || DirectoryExists(full));
}

bool RemoveDir(const std::string& dir)
{
    const auto host = HostPathOf(dir);
    if (!host) {
        errno = ENOENT;
        return false;
    }
    return ::rmdir(host->c_str()) == 0;
}

int FindFirst(const std::string& path, int attr, TSearchRec& rec)
{
    FindClose(rec);
    const std::string full = ExpandFileName(path);
    const std::string folder = ExtractFilePath(full);
    const std::string mask = ExtractFileName(full);
    const auto hostFolder = HostPathOf(folder.empty() ? GetCurrentDir() : folder);
    if (!hostFolder)
        return ERROR_PATH_NOT_FOUND;
    auto state = std::make_shared<TSearchState>();
    state->Dir = ::opendir(hostFolder->c_str());
    if (state->Dir == nullptr)
        return ERROR_PATH_NOT_FOUND;
    state->HostFolder = *hostFolder;
    state->Mask = mask.empty() ? "*" : mask;
    state->AtRoot = folder.size() == 3 && folder[1] == ':';
    rec.ExcludeAttr = ~attr & (faHidden | faSysFile | faVolumeID | faDirectory);
    rec.State = std::move(state);
    const int result = Advance(rec);
    if (result != 0) {
        FindClose(rec);
        return ERROR_FILE_NOT_FOUND;
    }
    return 0;
}

int FindNext(TSearchRec& rec)
{
    if (!rec.State)
        return ERROR_NO_MORE_FILES;
    return Advance(rec);
}

void FindClose(TSearchRec& rec) { rec.State.reset(); }
