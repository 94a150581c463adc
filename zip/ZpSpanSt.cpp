#include "zip/ZpSpanSt.h"

#include <algorithm>
#include <cstdio>

#include "platform/Drives.h"
#include "zip/ZpExcept.h"
#include "zip/ZpUtils.h"

namespace {

constexpr int64_t kNoLimit = 2147483647;

bool IsFullPath(const std::string& name)
{
    if (name.size() >= 2 && name[0] == '\\' && name[1] == '\\')
        return true;
    return name.size() >= 3 && name[1] == ':' && name[2] == '\\';
}

} // namespace

bool ZpMediaCheck(const std::string& name, int64_t& freeBytes)
{
    freeBytes = DriveFreeSpace(name);
    return freeBytes != -1 || !ZpFileExists(name);
}

void SetDiskLabel(const std::string& label, char driveLetter)
{
    const std::string root = std::string(1, driveLetter) + ":\\";
    SetVolumeLabel(root, label.substr(0, 11));
}

std::string ZpSpanDiskLabel(int diskNumber)
{
    char text[32];
    std::snprintf(text, sizeof text, "PKBACK# %3.3d", diskNumber);
    return text;
}

std::string ImageNameFor(const std::string& name, int n)
{
    const int k = ((n + 1) % 100 + 100) % 100;
    char digits[16];
    std::snprintf(digits, sizeof digits, "%02d", k);
    const std::string ext = ZpExtractFileExt(name);
    return ZpChangeFileExt(name, (ext.size() > 1 ? ext.substr(0, 2) : std::string(".")) + digits);
}

std::string TZpSpanStream::LocalImageName(const std::string& name, int n)
{
    if (n < 0 || n > 99)
        return {};
    const size_t slash = name.find_last_of("\\:");
    const size_t dot = name.find('.', slash == std::string::npos ? 0 : slash + 1);
    char ext[16];
    std::snprintf(ext, sizeof ext, ".z%02d", n);
    return (dot == std::string::npos ? name : name.substr(0, dot)) + ext;
}

TZpSpanStream::TZpSpanStream(const std::string& name, int64_t threshold, TZpMediaKind kind, TFileMode mode,
                             TZpShare share, int firstDiskIndex)
    : state_(mode == fmCreate || mode == fmOpenWrite ? ssWriting : ssReading),
      kind_(kind),
      threshold_(threshold),
      mode_(mode),
      share_(share),
      firstDiskIndex_(firstDiskIndex),
      imageName_(name)
{
    if (!IsFullPath(name))
        throw EZpException(ZpMessageText(zmcFullPathRequired), zmcFullPathRequired);
    int64_t free = 0;
    if (!ZpMediaCheck(name, free) && state_ == ssWriting)
        throw EZpException(ZpMessageText(zmcInvalidMedia), zmcInvalidMedia);
    OpenFile();
}

TZpSpanStream::~TZpSpanStream() = default;

void TZpSpanStream::OpenFile()
{
    file_ = ZpOpenFile(imageName_, mode_, share_);
}

int64_t TZpSpanStream::SpaceLeft()
{
    int64_t left;
    if (kind_ == mkRemovable) {
        left = threshold_ > 0 ? threshold_ : kNoLimit;
        // With a budget the budget rules: the free space was checked when
        // the disk was taken, and asking it again would see whole clusters
        // taken by a partly written last one.
        if (budget_ <= 0)
            left = std::min(left, DriveFreeSpace(imageName_));
    } else if (threshold_ > 0) {
        left = threshold_ - writtenOnMedium_;
    } else {
        left = DriveFreeSpace(imageName_);
    }
    if (budget_ > 0)
        left = std::min(left, budget_ - writtenOnMedium_);
    return std::max<int64_t>(left, 0);
}

size_t TZpSpanStream::Write(std::span<const uint8_t> buffer)
{
    if (state_ == ssReading)
        return 0;
    size_t result = 0;
    if (suspended_ || (kind_ == mkLocal && threshold_ <= 0 && budget_ <= 0)) {
        result = file_->Write(buffer);
        writtenOnMedium_ += static_cast<int64_t>(result);
    } else {
        const int64_t left = SpaceLeft();
        if (static_cast<int64_t>(buffer.size()) < left) {
            file_->WriteBuffer(buffer);
            result = buffer.size();
            writtenOnMedium_ += static_cast<int64_t>(result);
        } else {
            // Fill this medium completely, then go on over new ones.
            size_t n = static_cast<size_t>(left);
            file_->WriteBuffer(buffer.first(n));
            writtenOnMedium_ += static_cast<int64_t>(n);
            result = n;
            while (result < buffer.size()) {
                NextMedium();
                n = static_cast<size_t>(std::min<int64_t>(static_cast<int64_t>(buffer.size() - result), SpaceLeft()));
                if (n == 0)
                    throw EZpZipStreamFull();
                file_->WriteBuffer(buffer.subspan(result, n));
                writtenOnMedium_ += static_cast<int64_t>(n);
                result += n;
            }
        }
    }
    totalWritten_ += static_cast<int64_t>(result);
    if (OnProgress) {
        bool abort = false;
        OnProgress(PercentOf(totalWritten_, totalSize_), abort);
        if (abort)
            return 0;
    }
    return result;
}

// A medium is taken when its media check passes and, under a budget, it
// offers at least the budget.
bool TZpSpanStream::MediaAccepted(const std::string& name) const
{
    int64_t free = 0;
    if (!ZpMediaCheck(name, free))
        return false;
    if (budget_ > 0 && kind_ == mkRemovable && free < budget_)
        return false;
    return true;
}

void TZpSpanStream::NextMedium()
{
    file_.reset();
    if (!OnImageRequest)
        throw EZpZipStreamFull();
    std::string name;
    int number;
    if (kind_ == mkRemovable) {
        name = imageName_;
        number = changeCount_ + 3;
    } else {
        name = LocalImageName(imageName_, changeCount_ + 2);
        if (name.empty())
            throw EZpZipStreamFull();
        number = changeCount_ + 1;
    }
    for (;;) {
        bool cancel = false;
        std::string asked = name;
        OnImageRequest(*this, number, cancel, asked);
        if (cancel) {
            cancelled_ = true;
            throw EZpUserAbort();
        }
        if (!MediaAccepted(asked))
            continue;
        imageName_ = asked;
        ++changeCount_;
        writtenOnMedium_ = 0;
        ZpOpenFile(imageName_, fmCreate, share_).reset();
        OpenFile();
        return;
    }
}

size_t TZpSpanStream::Read(std::span<uint8_t> buffer)
{
    if (suspended_)
        return file_->Read(buffer);
    if (!buffer.empty() && file_->Position() >= file_->Size()) {
        if (!OnImageRequest)
            return 0;
        file_.reset();
        ++changeCount_;
        const int number =
            kind_ == mkRemovable ? firstDiskIndex_ + changeCount_ + 1 : firstDiskIndex_ + changeCount_;
        bool cancel = false;
        std::string asked = imageName_;
        OnImageRequest(*this, number, cancel, asked);
        if (cancel) {
            cancelled_ = true;
            throw EZpUserAbort();
        }
        int64_t free = 0;
        if (!ZpMediaCheck(asked, free) || !ZpFileExists(asked))
            throw EZpFileNotFound();
        imageName_ = asked;
        OpenFile();
    }
    return file_->Read(buffer);
}

int64_t TZpSpanStream::Seek(int64_t offset, TSeekOrigin origin)
{
    const int64_t here = file_->Position();
    if (state_ == ssWriting && !suspended_)
        return here;
    const int64_t size = file_->Size();
    int64_t target;
    switch (origin) {
    case soFromBeginning: target = offset; break;
    case soFromCurrent: target = here + offset; break;
    case soFromEnd: target = size + offset; break;
    default: throw EZpBadStream();
    }
    if (suspended_) {
        target = std::clamp<int64_t>(target, 0, size);
    } else if (target < 0 || target > size) {
        // Outside the current medium's file: the reader always asks for a
        // disk first, so such a target means a piece shorter than the
        // records say.
        throw EZpTruncated();
    }
    return file_->Seek(target, soFromBeginning);
}

int64_t TZpSpanStream::Size() { return file_->Size(); }

void TZpSpanStream::SetSize(int64_t size)
{
    if (size <= 0) {
        file_->SetSize(0);
        return;
    }
    const int64_t free = std::max<int64_t>(DriveFreeSpace(imageName_), 0);
    file_->SetSize(std::min(size, file_->Size() + free));
}
