#include "platform/TempFiles.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <time.h>
#include <unistd.h>

#include "platform/FileName.h"
#include "platform/WinPath.h"

std::string GetTempPath()
{
    std::string host = "/tmp";
    if (const char* t = std::getenv("TMPDIR"); t != nullptr && *t == '/')
        host = t;
    std::string name = WindowsPathOf(host);
    return name.empty() ? std::string() : IncludeTrailingBackslash(name);
}

std::string GetTempFileName(const std::string& folder, const std::string& prefix)
{
    static std::atomic<unsigned> counter{0};
    const std::string full = IncludeTrailingBackslash(ExpandFileName(folder));
    const auto hostFolder = HostPathOf(full);
    if (!hostFolder) {
        errno = ENOENT;
        return {};
    }
    struct timespec ts {};
    clock_gettime(CLOCK_REALTIME, &ts);
    // Start at a number unlikely to be in use and walk the 16-bit space once.
    const unsigned start = static_cast<unsigned>(ts.tv_nsec / 1000 + getpid()) + counter.fetch_add(1);
    const std::string pre = prefix.substr(0, 3);
    if (pre.find_first_of(std::string("\0/\\:", 4)) != std::string::npos) {
        errno = EINVAL;   // the prefix would not stay part of one name
        return {};
    }
    for (unsigned k = 0; k < 0x10000; ++k) {
        const unsigned unique = ((start + k) & 0xFFFF) == 0 ? 1 : (start + k) & 0xFFFF;
        char hex[8];
        std::snprintf(hex, sizeof hex, "%X", unique);
        const std::string name = pre + hex + ".TMP";
        const int fd = ::open((*hostFolder + "/" + name).c_str(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, 0666);
        if (fd >= 0) {
            ::close(fd);
            counter.fetch_add(1);
            return full + name;
        }
        if (errno != EEXIST)
            return {};
    }
    errno = EEXIST;
    return {};
}
