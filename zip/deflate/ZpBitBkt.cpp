#include "zip/deflate/ZpBitBkt.h"

#include <algorithm>
#include <cstring>

#include "zip/ZpExcept.h"

TZpBitBucketStream::TZpBitBucketStream(uint32_t bufferSize)
{
    if (bufferSize != 4096 && bufferSize != 8192 && bufferSize != 32768)
        bufferSize = 32768;
    ring_.resize(size_t(bufferSize) + 1024);
}

size_t TZpBitBucketStream::Write(std::span<const uint8_t> data)
{
    const size_t cap = ring_.size();
    if (data.size() > cap)
        throw EZpBBSWriteTooManyBytes("TZpBitBucketStream.Write: too many bytes written at once");
    size_t at = static_cast<size_t>(size_ % static_cast<int64_t>(cap));
    size_t done = 0;
    while (done < data.size()) {
        const size_t n = std::min(data.size() - done, cap - at);
        std::memcpy(ring_.data() + at, data.data() + done, n);
        done += n;
        at = (at + n) % cap;
    }
    size_ += static_cast<int64_t>(data.size());
    position_ = size_;
    return data.size();
}

int64_t TZpBitBucketStream::Seek(int64_t offset, TSeekOrigin origin)
{
    int64_t target;
    switch (origin) {
    case soFromBeginning: target = offset; break;
    case soFromCurrent: target = position_ + offset; break;
    case soFromEnd: target = size_ + offset; break;
    default: throw EZpBBSInvalidOrigin("TZpBitBucketStream.Seek: invalid origin");
    }
    // Position 0 of an empty bucket, or any retained position.
    const int64_t lowest = size_ - static_cast<int64_t>(ring_.size());
    if (target > size_ || target < 0 || (target <= lowest && target != size_))
        throw EZpBBSSeekOutsideBuffer("TZpBitBucketStream.Seek: position is outside the retained bytes");
    position_ = target;
    return position_;
}

size_t TZpBitBucketStream::Read(std::span<uint8_t> buffer)
{
    const size_t cap = ring_.size();
    if (buffer.size() > cap || static_cast<int64_t>(buffer.size()) > size_ - position_)
        throw EZpBBSReadTooManyBytes("TZpBitBucketStream.Read: more bytes requested than retained");
    size_t at = static_cast<size_t>(position_ % static_cast<int64_t>(cap));
    size_t done = 0;
    while (done < buffer.size()) {
        const size_t n = std::min(buffer.size() - done, cap - at);
        std::memcpy(buffer.data() + done, ring_.data() + at, n);
        done += n;
        at = (at + n) % cap;
    }
    position_ += static_cast<int64_t>(buffer.size());
    return buffer.size();
}
