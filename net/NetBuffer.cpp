#include "net/NetBuffer.h"

#include <cstdio>
#include <cstring>
#include <limits>

#include "net/NetException.h"

namespace {
constexpr int kGrowStep = 2048;
}

void TNetBuffer::Write(std::span<const uint8_t> bytes)
{
    if (bytes.empty())
        return;
    if (bytes.size() > static_cast<size_t>(std::numeric_limits<int>::max() - size_))
        throw ENetTooMuchDataInBuffer();
    const size_t need = static_cast<size_t>(head_) + static_cast<size_t>(size_) + bytes.size();
    if (need > data_.size()) {
        // Move the live bytes down first so a drained head does not make the array grow.
        if (head_ > 0) {
            std::memmove(data_.data(), data_.data() + head_, static_cast<size_t>(size_));
            head_ = 0;
        }
        const size_t fit = static_cast<size_t>(size_) + bytes.size();
        if (fit > data_.size())
            data_.resize(fit + kGrowStep);
    }
    std::memcpy(data_.data() + head_ + size_, bytes.data(), bytes.size());
    size_ += static_cast<int>(bytes.size());
}

void TNetBuffer::Write(const std::string& text)
{
    Write(std::span(reinterpret_cast<const uint8_t*>(text.data()), text.size()));
}

std::vector<uint8_t> TNetBuffer::Extract(int count)
{
    if (count < 0)
        count = size_;
    if (count > size_) {
        char message[80];
        std::snprintf(message, sizeof message, "Not enough data in buffer. (%d/%d)", count, size_);
        throw ENetNotEnoughDataInBuffer(message);
    }
    std::vector<uint8_t> out(data_.begin() + head_, data_.begin() + head_ + count);
    Remove(count);
    return out;
}

void TNetBuffer::Remove(int count)
{
    if (count > size_) {
        char message[80];
        std::snprintf(message, sizeof message, "Not enough data in buffer. (%d/%d)", count, size_);
        throw ENetNotEnoughDataInBuffer(message);
    }
    if (count <= 0)
        return;
    head_ += count;
    size_ -= count;
    if (size_ == 0)
        head_ = 0;
    else if (head_ > kGrowStep)
        Compact();
    if (OnBytesRemoved)
        OnBytesRemoved(count);
}

void TNetBuffer::Clear()
{
    const int had = size_;
    head_ = 0;
    size_ = 0;
    if (data_.size() > kGrowStep) {
        data_.resize(kGrowStep);
        data_.shrink_to_fit();
    }
    if (had > 0 && OnBytesRemoved)
        OnBytesRemoved(had);
}

void TNetBuffer::Compact()
{
    std::memmove(data_.data(), data_.data() + head_, static_cast<size_t>(size_));
    head_ = 0;
    if (data_.size() - static_cast<size_t>(size_) > kGrowStep) {
        data_.resize(static_cast<size_t>(size_) + kGrowStep);
        data_.shrink_to_fit();
    }
}

int TNetBuffer::IndexOf(std::span<const uint8_t> terminator, int start) const
{
    if (terminator.empty())
        throw ENetException("Buffer terminator must be specified.");
    if (start < 0 || (start > 0 && start >= size_))
        throw ENetException("Buffer start position is invalid.");
    const size_t n = terminator.size();
    const uint8_t* base = data_.data() + head_;
    for (size_t i = static_cast<size_t>(start); i + n <= static_cast<size_t>(size_); ++i) {
        if (base[i] == terminator[0] && std::memcmp(base + i, terminator.data(), n) == 0)
            return static_cast<int>(i);
    }
    return -1;
}
