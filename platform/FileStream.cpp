#include "platform/FileStream.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::string SystemText(int error) { return std::strerror(error); }

} // namespace

THostFileStream::THostFileStream(const std::string& hostPath, TFileMode mode, const std::string& shownName)
    : hostPath_(hostPath), shownName_(shownName.empty() ? hostPath : shownName)
{
    int flags = O_CLOEXEC;
    switch (mode) {
    case fmOpenRead: flags |= O_RDONLY; break;
    case fmOpenWrite: flags |= O_WRONLY; break;
    case fmOpenReadWrite: flags |= O_RDWR; break;
    case fmCreate: flags |= O_RDWR | O_CREAT | O_TRUNC; break;
    }
    fd_ = ::open(hostPath.c_str(), flags, 0666);
    if (fd_ < 0) {
        const int error = errno;
        if (mode == fmCreate)
            throw EFCreateError("Cannot create file \"" + shownName_ + "\". " + SystemText(error));
        throw EFOpenError("Cannot open file \"" + shownName_ + "\". " + SystemText(error));
    }
    struct stat st {};
    if (::fstat(fd_, &st) == 0 && S_ISDIR(st.st_mode)) {
        ::close(fd_);
        fd_ = -1;
        throw EFOpenError("Cannot open file \"" + shownName_ + "\". " + SystemText(EISDIR));
    }
}

THostFileStream::~THostFileStream()
{
    if (fd_ >= 0)
        ::close(fd_);
}

size_t THostFileStream::Read(std::span<uint8_t> buffer)
{
    for (;;) {
        const ssize_t n = ::read(fd_, buffer.data(), buffer.size());
        if (n >= 0)
            return static_cast<size_t>(n);
        if (errno != EINTR)
            throw EStreamError("Read error on \"" + shownName_ + "\". " + SystemText(errno));
    }
}

size_t THostFileStream::Write(std::span<const uint8_t> buffer)
{
    size_t done = 0;
    while (done < buffer.size()) {
        const ssize_t n = ::write(fd_, buffer.data() + done, buffer.size() - done);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            if (errno == ENOSPC && done > 0)
                break;
            if (errno == ENOSPC)
                return 0;
            throw EStreamError("Write error on \"" + shownName_ + "\". " + SystemText(errno));
        }
        done += static_cast<size_t>(n);
    }
    return done;
}

int64_t THostFileStream::Seek(int64_t offset, TSeekOrigin origin)
{
    int whence = SEEK_SET;
    switch (origin) {
    case soFromBeginning: whence = SEEK_SET; break;
    case soFromCurrent: whence = SEEK_CUR; break;
    case soFromEnd: whence = SEEK_END; break;
    default: throw EStreamError("Invalid stream origin " + std::to_string(static_cast<int>(origin)));
    }
    const off_t result = ::lseek(fd_, static_cast<off_t>(offset), whence);
    if (result < 0)
        throw EStreamError("Seek error on \"" + shownName_ + "\". " + SystemText(errno));
    return static_cast<int64_t>(result);
}

int64_t THostFileStream::Size()
{
    struct stat st {};
    if (::fstat(fd_, &st) != 0)
        throw EStreamError("Cannot get size of \"" + shownName_ + "\". " + SystemText(errno));
    return static_cast<int64_t>(st.st_size);
}

void THostFileStream::SetSize(int64_t size)
{
    if (::ftruncate(fd_, static_cast<off_t>(size)) != 0)
        throw EStreamError("Cannot set size of \"" + shownName_ + "\". " + SystemText(errno));
}
