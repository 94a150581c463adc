#include "platform/DosAttr.h"

#include <cerrno>
#include <cstdlib>
#include <string>
#include <sys/stat.h>
#include <sys/xattr.h>

#include "platform/WinPath.h"

namespace {

constexpr const char* AttrName = "user.dos.attrib";
constexpr int StoredBits = faHidden | faSysFile | faArchive;

// The stored bits, or -1 when the file has none (or they are unreadable).
int StoredAttr(const std::string& hostPath)
{
    char buffer[16];
    const ssize_t n = ::getxattr(hostPath.c_str(), AttrName, buffer, sizeof buffer - 1);
    if (n <= 0)
        return -1;
    buffer[n] = '\0';
    char* end = nullptr;
    const long v = std::strtol(buffer, &end, 10);
    if (end == buffer || v < 0 || v > 0xFFFF)
        return -1;
    return static_cast<int>(v) & StoredBits;
}

std::string BaseName(const std::string& hostPath)
{
    const size_t slash = hostPath.find_last_of('/');
    return slash == std::string::npos ? hostPath : hostPath.substr(slash + 1);
}

} // namespace

int HostFileGetAttr(const std::string& hostPath)
{
    struct stat st {};
    if (::stat(hostPath.c_str(), &st) != 0)
        return -1;
    int attr = 0;
    const bool dir = S_ISDIR(st.st_mode);
    if (dir)
        attr |= faDirectory;
    else if ((st.st_mode & S_IWUSR) == 0)
        attr |= faReadOnly;
    const int stored = StoredAttr(hostPath);
    if (stored >= 0) {
        attr |= stored;
    } else {
        if (!dir)
            attr |= faArchive;
        const std::string name = BaseName(hostPath);
        if (name.size() > 1 && name[0] == '.' && name != "..")
            attr |= faHidden;
    }
    return attr;
}

int HostFileSetAttr(const std::string& hostPath, int attr)
{
    struct stat st {};
    if (::stat(hostPath.c_str(), &st) != 0)
        return errno;
    if (!S_ISDIR(st.st_mode)) {
        mode_t mode = st.st_mode & 07777;
        if (attr & faReadOnly)
            mode &= static_cast<mode_t>(~(S_IWUSR | S_IWGRP | S_IWOTH));
        else
            mode |= S_IWUSR;
        if (mode != (st.st_mode & 07777) && ::chmod(hostPath.c_str(), mode) != 0)
            return errno;
    }
    const std::string text = std::to_string(attr & StoredBits);
    if (::setxattr(hostPath.c_str(), AttrName, text.data(), text.size(), 0) != 0) {
        const int error = errno;
        // A file system without user attributes can still hold the default.
        const int plain = S_ISDIR(st.st_mode) ? 0 : faArchive;
        if ((error == ENOTSUP || error == EPERM) && (attr & StoredBits) == plain)
            return 0;
        return error;
    }
    return 0;
}

int FileGetAttr(const std::string& fileName)
{
    const auto host = HostPathOf(fileName);
    return host ? HostFileGetAttr(*host) : -1;
}

int FileSetAttr(const std::string& fileName, int attr)
{
    const auto host = HostPathOf(fileName);
    return host ? HostFileSetAttr(*host, attr) : ENOENT;
}
