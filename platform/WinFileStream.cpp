#include "platform/WinFileStream.h"

#include <cerrno>
#include <cstring>
#include <sys/stat.h>

#include "platform/DosAttr.h"
#include "platform/Drives.h"
#include "platform/Machine.h"
#include "platform/WinPath.h"

namespace {

// The host path to open, after the checks Windows makes that the host
// (running as root, say) would not.
std::string HostPathFor(const std::string& fileName, TFileMode mode)
{
    const auto fail = [&](const char* why) -> std::string {
        const std::string text = "\"" + fileName + "\". " + why;
        if (mode == fmCreate)
            throw EFCreateError("Cannot create file " + text);
        throw EFOpenError("Cannot open file " + text);
    };
    const auto host = HostPathOf(fileName);
    if (!host)
        return fail("The system cannot find the path specified.");
    if (mode != fmOpenRead) {
        const int attr = HostFileGetAttr(*host);
        if (attr >= 0 && (attr & (faReadOnly | faDirectory)) != 0)
            return fail("Access is denied.");
    }
    return *host;
}

} // namespace

TFileStream::TFileStream(const std::string& fileName, TFileMode mode, TShareMode /*share*/)
    : THostFileStream(HostPathFor(fileName, mode), mode, fileName), fileName_(fileName)
{
    const std::string full = ExpandFileName(fileName);
    if (full.size() >= 3 && full[1] == ':') {
        root_ = full.substr(0, 3);
        const TDriveEntry* d = TMachine::Current().Drive(full[0]);
        emulated_ = d != nullptr && d->Emulated();
    }
}

size_t TFileStream::Write(std::span<const uint8_t> buffer)
{
    if (!emulated_ || buffer.empty())
        return THostFileStream::Write(buffer);
    // The medium takes whole clusters: the bytes that fit are those whose
    // clusters, beyond the ones the file holds now, are free.
    int64_t freeBytes = 0;
    if (!GetDiskFreeSpaceEx(root_, &freeBytes, nullptr, nullptr))
        return 0;
    const int64_t size = Size();
    const int64_t position = Position();
    const int64_t heldEnd = (size + EmulatedClusterSize - 1) / EmulatedClusterSize * EmulatedClusterSize;
    const int64_t limit = heldEnd + freeBytes / EmulatedClusterSize * EmulatedClusterSize;
    if (position >= limit)
        return 0;
    const int64_t room = limit - position;
    const size_t count = static_cast<size_t>(std::min<int64_t>(room, static_cast<int64_t>(buffer.size())));
    return THostFileStream::Write(buffer.first(count));
}

void TFileStream::SetSize(int64_t size)
{
    if (emulated_ && size > Size()) {
        int64_t freeBytes = 0;
        const int64_t current = Size();
        const int64_t heldEnd = (current + EmulatedClusterSize - 1) / EmulatedClusterSize * EmulatedClusterSize;
        if (!GetDiskFreeSpaceEx(root_, &freeBytes, nullptr, nullptr)
            || size > heldEnd + freeBytes / EmulatedClusterSize * EmulatedClusterSize)
            throw EStreamError("Cannot extend \"" + fileName_ + "\": There is not enough space on the disk.");
    }
    THostFileStream::SetSize(size);
}
