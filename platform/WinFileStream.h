// TFileStream: a file stream opened by Windows path. Write access honours the
// DOS read-only attribute (the host would let root write anyway), and on an
// emulated removable medium writes stop at the medium's capacity, reporting
// a short count as a full disk does.
#pragma once

#include <string>

#include "platform/FileStream.h"

// Sharing is not enforced on this host; the argument is kept for callers.
enum TShareMode { fmShareCompat, fmShareExclusive, fmShareDenyWrite, fmShareDenyRead, fmShareDenyNone };

class TFileStream : public THostFileStream {
public:
    // Raises EFOpenError / EFCreateError with the Windows name in the text.
    TFileStream(const std::string& fileName, TFileMode mode, TShareMode share = fmShareCompat);

    const std::string& FileName() const { return fileName_; }
    size_t Write(std::span<const uint8_t> buffer) override;
    void SetSize(int64_t size) override;

private:
    std::string fileName_;
    std::string root_;        // drive root, e.g. "A:\"
    bool emulated_ = false;   // on an emulated removable medium
};
