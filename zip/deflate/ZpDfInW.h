// Encoder input window: the source bytes in a sliding buffer, the 3-byte
// hash heads and chains over the last W positions, the running checksum.
#pragma once

#include <cstdint>
#include <cstring>
#include <vector>

#include "platform/Stream.h"
#include "zip/deflate/ZpDfBase.h"

struct TZpDfMatch {
    uint32_t length = 0;
    uint32_t distance = 0;
    uint8_t literal = 0;
};

// TPos holds a buffer position + 1 (0 = empty): 16 bits suffice for plain
// Deflate windows and halve the chain tables; Deflate64 needs 32.
template <class TPos>
class TZpDfInputWindow {
public:
    TZpDfInputWindow(TStream* source, int64_t percentSize, uint32_t historySize, int32_t chainLimit, bool deflate64,
                     bool adler32, const TZpPercentHook* hook);

    // Inserts the current position, then walks its hash chain for a match
    // longer than pendingLength. Returns whether one was found.
    bool SearchMatch(uint32_t goodLength, TZpDfMatch& result, uint32_t pendingLength);
    void StepOne()
    {
        ++cur_;
        Passed(1);
        if (cur_ - winStart_ > history_) {
            winStart_ = cur_ - history_;
            if (more_ && winStart_ >= kSlidePoint)
                Slide();
        }
    }
    void Advance(uint32_t count, uint32_t hashCount);
    uint8_t TakeByte()
    {
        const uint8_t b = buf_[cur_];
        StepOne();
        return b;
    }
    uint32_t LookAhead() const { return lookEnd_ - cur_; }
    uint8_t CurrentByte() const { return buf_[cur_]; }
    // Source offset of the current position, from where compression began.
    int64_t Offset() const { return base_ + cur_; }
    void SetChainLimit(int32_t limit) { chainLimit_ = limit; }
    // CRC-32 register (not complemented) or Adler-32.
    uint32_t Checksum() const { return checksum_; }
    bool UsesAdler32() const { return adler32_; }

    // Reads count source bytes at offset (from where compression began) and
    // puts the source position back.
    void ReadSourceAt(uint8_t* buffer, size_t count, int64_t offset);

private:
    static constexpr uint32_t kHashSize = 16384, kHashMask = kHashSize - 1;
    static constexpr uint32_t kSlidePoint = 16384;

    void Fill();
    void Slide();
    void Passed(uint32_t count);
    void Insert(uint32_t p)
    {
        hash_ = ((hash_ << 5) ^ buf_[p + 2]) & kHashMask;
        prev_[(static_cast<uint64_t>(base_) + p) & historyMask_] = head_[hash_];
        head_[hash_] = static_cast<TPos>(p + 1);
    }

    TStream* source_;
    int64_t sourceStart_;
    const TZpPercentHook* hook_;
    int64_t percentSize_;
    uint64_t consumed_ = 0;
    uint32_t history_, historyMask_, maxMatch_;
    int32_t chainLimit_;
    bool adler32_;
    bool more_ = true;
    uint32_t checksum_;

    std::vector<uint8_t> buf_;
    uint32_t bufSize_; // usable bytes; the vector has slack after them
    uint32_t winStart_ = 0, cur_ = 0, lookEnd_ = 0;
    int64_t base_ = 0;   // source offset of buf_[0]
    uint32_t hash_ = 0;
    // Buffer position + 1 of the most recent position per hash; 0 = empty.
    std::vector<TPos> head_;
    // Indexed by source offset modulo W: the previous position (+1) with the same hash.
    std::vector<TPos> prev_;
};

template <class TPos>
inline bool TZpDfInputWindow<TPos>::SearchMatch(uint32_t goodLength, TZpDfMatch& result, uint32_t pendingLength)
{
    const uint32_t c = cur_;
    Insert(c);
    const uint8_t* const here = buf_.data() + c;
    result.literal = *here;
    result.length = 0;
    uint32_t m = lookEnd_ - c;
    if (m > maxMatch_)
        m = maxMatch_;
    if (goodLength > m)
        goodLength = m;
    if (pendingLength >= m) // nothing longer can exist
        return false;
    uint32_t best = pendingLength > 0 ? pendingLength : 2;
    uint32_t probes = static_cast<uint32_t>(chainLimit_);
    if (best >= goodLength)
        probes >>= 2;
    uint32_t bestDistance = 0;
    uint16_t first2, tail2;
    std::memcpy(&first2, here, 2);
    std::memcpy(&tail2, here + best - 1, 2);
    // W divides 2^32, so the low 32 bits of the base give the same slots.
    const uint32_t baseLow = static_cast<uint32_t>(base_);
    const TPos* const chain = prev_.data();
    const uint8_t* const buf = buf_.data();
    uint32_t cand = chain[(baseLow + c) & historyMask_];
    const uint32_t lowest = winStart_ + 1; // in the +1 coordinates of the chain
    while (cand >= lowest && probes > 0) {
        --probes;
        const uint32_t p = cand - 1;
        if (p >= c)
            break;
        const uint8_t* const there = buf + p;
        uint16_t a, b;
        std::memcpy(&a, there + best - 1, 2);
        std::memcpy(&b, there, 2);
        if (a == tail2 && b == first2) {
            uint32_t len = 2;
            while (len + 8 <= m) {
                uint64_t x, y;
                std::memcpy(&x, here + len, 8);
                std::memcpy(&y, there + len, 8);
                if (x != y) {
                    len += static_cast<uint32_t>(__builtin_ctzll(x ^ y)) >> 3;
                    goto counted;
                }
                len += 8;
            }
            while (len < m && here[len] == there[len])
                ++len;
        counted:
            if (len > best) {
                best = len;
                bestDistance = c - p;
                if (best >= goodLength)
                    break;
                std::memcpy(&tail2, here + best - 1, 2);
            }
        }
        cand = chain[(baseLow + p) & historyMask_];
    }
    if (best >= 3 && best > pendingLength) {
        result.length = best;
        result.distance = bestDistance;
        return true;
    }
    return false;
}
