// A stream over a host file, opened by its host path. The Windows-path
// TFileStream of the file layer builds on it.
#pragma once

#include <string>

#include "platform/Stream.h"

class EFOpenError : public EStreamError {
public:
    using EStreamError::EStreamError;
};
class EFCreateError : public EStreamError {
public:
    using EStreamError::EStreamError;
};

enum TFileMode { fmOpenRead, fmOpenWrite, fmOpenReadWrite, fmCreate };

class THostFileStream : public TStream {
public:
    // fmCreate makes a new empty file (truncating one that exists). The
    // message of a failure names the file as the caller gave it (shownName,
    // or the host path when that is empty).
    THostFileStream(const std::string& hostPath, TFileMode mode, const std::string& shownName = {});
    ~THostFileStream() override;

    size_t Read(std::span<uint8_t> buffer) override;
    size_t Write(std::span<const uint8_t> buffer) override;
    int64_t Seek(int64_t offset, TSeekOrigin origin) override;
    int64_t Size() override;
    void SetSize(int64_t size) override;

    const std::string& HostPath() const { return hostPath_; }
    int Handle() const { return fd_; }

private:
    std::string hostPath_;
    std::string shownName_;
    int fd_ = -1;
};
