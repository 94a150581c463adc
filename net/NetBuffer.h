// A growable byte queue: appended at the tail, taken from the head. The
// head is compacted lazily, so taking bytes off costs no move until more
// than 2048 bytes have gone.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "net/NetStack.h"

class TNetBuffer {
public:
    // Called with the count of bytes each removal took out.
    std::function<void(int64_t)> OnBytesRemoved;

    int Size() const { return size_; }
    bool Empty() const { return size_ == 0; }
    // The live bytes, head first.
    std::span<const uint8_t> Bytes() const { return {data_.data() + head_, static_cast<size_t>(size_)}; }

    void Write(std::span<const uint8_t> bytes);
    void Write(const std::string& text);
    // Takes count bytes off the head (all of them when count is -1).
    std::vector<uint8_t> Extract(int count = -1);
    void Remove(int count);
    void Clear();
    // Offset of terminator at or after start, -1 when absent.
    int IndexOf(std::span<const uint8_t> terminator, int start = 0) const;

private:
    void Compact();

    TNetStackUser stack_;
    std::vector<uint8_t> data_;
    int head_ = 0;
    int size_ = 0;
};
