#include "platform/Stream.h"

#include <algorithm>
#include <cstring>
#include <string>

int64_t TStream::Size()
{
    const int64_t here = Seek(0, soFromCurrent);
    const int64_t end = Seek(0, soFromEnd);
    Seek(here, soFromBeginning);
    return end;
}

void TStream::SetSize(int64_t)
{
    throw EStreamError("Stream size cannot be changed");
}

void TStream::ReadBuffer(std::span<uint8_t> buffer)
{
    size_t done = 0;
    while (done < buffer.size()) {
        const size_t n = Read(buffer.subspan(done));
        if (n == 0)
            throw EStreamError("Stream read error");
        done += n;
    }
}

void TStream::WriteBuffer(std::span<const uint8_t> buffer)
{
    size_t done = 0;
    while (done < buffer.size()) {
        const size_t n = Write(buffer.subspan(done));
        if (n == 0)
            throw EStreamError("Stream write error");
        done += n;
    }
}

int64_t TStream::CopyFrom(TStream& source, int64_t count)
{
    if (count == 0) {
        source.SetPosition(0);
        count = source.Size();
    }
    constexpr size_t kChunk = 64 * 1024;
    std::vector<uint8_t> buffer(static_cast<size_t>(std::min<int64_t>(count, kChunk)));
    int64_t left = count;
    while (left > 0) {
        const size_t n = static_cast<size_t>(std::min<int64_t>(left, kChunk));
        source.ReadBuffer(std::span(buffer.data(), n));
        WriteBuffer(std::span<const uint8_t>(buffer.data(), n));
        left -= static_cast<int64_t>(n);
    }
    return count;
}

size_t TMemoryStream::Read(std::span<uint8_t> buffer)
{
    if (position_ >= data_.size())
        return 0;
    const size_t n = std::min(buffer.size(), data_.size() - position_);
    std::memcpy(buffer.data(), data_.data() + position_, n);
    position_ += n;
    return n;
}

size_t TMemoryStream::Write(std::span<const uint8_t> buffer)
{
    if (buffer.empty())
        return 0;
    const size_t end = position_ + buffer.size();
    if (end > data_.size())
        data_.resize(end);
    std::memcpy(data_.data() + position_, buffer.data(), buffer.size());
    position_ = end;
    return buffer.size();
}

int64_t TMemoryStream::Seek(int64_t offset, TSeekOrigin origin)
{
    int64_t base = 0;
    switch (origin) {
    case soFromBeginning: base = 0; break;
    case soFromCurrent: base = static_cast<int64_t>(position_); break;
    case soFromEnd: base = static_cast<int64_t>(data_.size()); break;
    default: throw EStreamError("Invalid stream origin " + std::to_string(static_cast<int>(origin)));
    }
    const int64_t target = base + offset;
    if (target < 0)
        throw EStreamError("Stream seek before the beginning");
    position_ = static_cast<size_t>(target);
    return target;
}

void TMemoryStream::SetSize(int64_t size)
{
    if (size < 0)
        throw EStreamError("Negative stream size");
    data_.resize(static_cast<size_t>(size));
    position_ = std::min(position_, data_.size());
}

void TMemoryStream::Clear()
{
    data_.clear();
    position_ = 0;
}
