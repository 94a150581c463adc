#include "zip/deflate/ZpDfInW.h"

#include <algorithm>
#include <cmath>

#include "zip/deflate/ZpAdler32.h"
#include "zip/deflate/ZpCrc32.h"

namespace {
// Bytes after the usable buffer: hashing the last positions reads two bytes
// past the look-ahead end and match counting reads whole words.
constexpr uint32_t kSlack = 16;
}

template <class TPos>
TZpDfInputWindow<TPos>::TZpDfInputWindow(TStream* source, int64_t percentSize, uint32_t historySize, int32_t chainLimit,
                                   bool deflate64, bool adler32, const TZpPercentHook* hook)
    : source_(source), sourceStart_(source->Position()), hook_(hook), percentSize_(percentSize),
      history_(historySize), historyMask_(historySize - 1), maxMatch_(deflate64 ? 65536 : 258),
      chainLimit_(chainLimit), adler32_(adler32), checksum_(adler32 ? 1u : 0xFFFFFFFFu)
{
    bufSize_ = history_ + kSlidePoint + maxMatch_;
    buf_.assign(size_t(bufSize_) + kSlack, 0);
    head_.assign(kHashSize, 0);
    prev_.assign(history_, 0);
    Fill();
    hash_ = ((uint32_t(buf_[0]) << 5) ^ buf_[1]) & kHashMask;
}

template <class TPos>
void TZpDfInputWindow<TPos>::Fill()
{
    const uint32_t from = lookEnd_;
    while (lookEnd_ < bufSize_) {
        const size_t n = source_->Read(std::span<uint8_t>(buf_.data() + lookEnd_, bufSize_ - lookEnd_));
        if (n == 0) {
            more_ = false;
            break;
        }
        lookEnd_ += static_cast<uint32_t>(n);
    }
    if (lookEnd_ > from)
        checksum_ = adler32_ ? ZpAdler32Update(checksum_, buf_.data() + from, lookEnd_ - from)
                             : ZpCrc32Update(checksum_, buf_.data() + from, lookEnd_ - from);
}

template <class TPos>
void TZpDfInputWindow<TPos>::Slide()
{
    const uint32_t shift = winStart_;
    std::memmove(buf_.data(), buf_.data() + shift, lookEnd_ - shift);
    // Positions before the new buffer start are forgotten.
    for (TPos& v : head_)
        v = static_cast<TPos>(v > shift ? v - shift : 0);
    for (TPos& v : prev_)
        v = static_cast<TPos>(v > shift ? v - shift : 0);
    base_ += shift;
    cur_ -= shift;
    lookEnd_ -= shift;
    winStart_ = 0;
    if (more_)
        Fill();
}

template <class TPos>
void TZpDfInputWindow<TPos>::Passed(uint32_t count)
{
    consumed_ += count;
    if ((consumed_ & 4095) == 0 && hook_ && *hook_ && percentSize_ > 0)
        (*hook_)(static_cast<int>(std::nearbyint(double(consumed_) * 100.0 / double(percentSize_))));
}

template <class TPos>
void TZpDfInputWindow<TPos>::Advance(uint32_t count, uint32_t hashCount)
{
    ZpAssert(count <= LookAhead(), "TZpDfInputWindow.Advance: seem to be advancing into the unknown");
    ZpAssert(count == hashCount || count == hashCount + 1, "TZpDfInputWindow.Advance: the parameters are plain wrong");
    const uint32_t start = cur_ + (count - hashCount);
    for (uint32_t p = start; p < start + hashCount; ++p)
        Insert(p);
    cur_ += count;
    Passed(count);
    if (cur_ - winStart_ > history_) {
        winStart_ = cur_ - history_;
        if (winStart_ >= kSlidePoint)
            Slide();
    }
}

template <class TPos>
void TZpDfInputWindow<TPos>::ReadSourceAt(uint8_t* buffer, size_t count, int64_t offset)
{
    const int64_t here = source_->Position();
    source_->Seek(sourceStart_ + offset, soFromBeginning);
    source_->ReadBuffer(std::span<uint8_t>(buffer, count));
    source_->Seek(here, soFromBeginning);
}

template class TZpDfInputWindow<uint16_t>;
template class TZpDfInputWindow<uint32_t>;
