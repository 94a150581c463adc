// Encoder bit writer, token buffer and code-length buffer.
#pragma once

#include <cstdint>
#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

#include "platform/Stream.h"
#include "zip/ZpExcept.h"
#include "zip/deflate/ZpDfBase.h"
#include "zip/deflate/ZpDfXlat.h"

class TZpDfDecodeHuffmanTree;


// Bits leave least significant first through a 64-bit accumulator; whole
// 32-bit words go to a 16 KiB buffer that is written out when full.
// Releasing the writer flushes what it still holds, also when an exception
// (a stream error, an abort) ends the encoding early, so the destination gets
// every bit produced before it; a destination that has failed is not written
// again.
class TZpDfOutBitStream {
public:
    explicit TZpDfOutBitStream(TStream* dest);
    ~TZpDfOutBitStream();
    TZpDfOutBitStream(const TZpDfOutBitStream&) = delete;
    TZpDfOutBitStream& operator=(const TZpDfOutBitStream&) = delete;

    // 1..16 bits, checked; the checks hold for every caller in the engine.
    void WriteBits(uint32_t bits, unsigned count)
    {
        ZpAssert(count >= 1 && count <= 16, "TZpDfOutBitStream.WriteBits: aCount should be from 1 to 16");
        ZpAssert((bits >> count) == 0, "TZpDfOutBitStream.WriteBits: aBits has more than aCount bits");
        PutBits(bits, count);
    }
    // Up to 32 bits without checks; bits above count must be zero.
    void PutBits(uint32_t bits, unsigned count)
    {
        acc_ |= uint64_t(bits) << used_;
        used_ += count;
        if (used_ >= 32) {
            if (fill_ + 4 > kBufferSize)
                Drain();
            const uint32_t word = static_cast<uint32_t>(acc_);
            std::memcpy(buffer_.data() + fill_, &word, 4);
            fill_ += 4;
            acc_ >>= 32;
            used_ -= 32;
        }
    }
    void AlignToByte();
    // Byte-aligned only: the accumulator's whole bytes, then data, then a write-out.
    void WriteBuffer(const uint8_t* data, size_t count);
    // Aligns, moves the accumulator's bytes out and writes everything.
    void Finish();

private:
    static constexpr size_t kBufferSize = 16384;
    void Drain();
    // Byte-aligned only: the accumulator's bytes into the buffer.
    void MoveOutWholeBytes();

    TStream* dest_;
    std::vector<uint8_t> buffer_;
    size_t fill_ = 0;
    uint64_t acc_ = 0;
    unsigned used_ = 0;
    bool finished_ = false;
    bool destFailed_ = false; // a write was refused or raised
};

// The tokens of one block with their symbol frequencies.
// A literal is 1, byte; a match is 0, length-1 (16-bit LE), distance-1 (16-bit LE).
class TZpDfLZStream {
public:
    static constexpr size_t kMaxTokens = 32768;

    TZpDfLZStream();

    void Clear(int64_t firstOffset);

    bool PutLiteral(uint8_t byte)
    {
        uint8_t* p = area_.get() + used_;
        p[0] = 1;
        p[1] = byte;
        used_ += 2;
        ++literals_;
        ++litFreq_[byte];
        ++covered_;
        return Due();
    }
    bool PutMatch(uint32_t length, uint32_t distance)
    {
        uint8_t* p = area_.get() + used_;
        p[0] = 0;
        const uint16_t l = static_cast<uint16_t>(length - 1), d = static_cast<uint16_t>(distance - 1);
        std::memcpy(p + 1, &l, 2);
        std::memcpy(p + 3, &d, 2);
        used_ += 5;
        ++matches_;
        ++litFreq_[xlat_.TranslateLengthUnchecked(length)];
        ++distFreq_[xlat_.TranslateDistanceUnchecked(distance)];
        covered_ += length;
        return Due();
    }

    // Writes every token with the given tables (end-of-block not included).
    void Encode(TZpDfOutBitStream& out, const TZpDfDecodeHuffmanTree& lit, bool deflate64,
                const TZpDfDecodeHuffmanTree& dist) const;
    // Bits of the tokens and end-of-block with the fixed codes.
    uint64_t StaticBitCount(bool deflate64) const;

    uint32_t LiteralCount() const { return literals_; }
    uint32_t MatchCount() const { return matches_; }
    uint64_t Covered() const { return covered_; }
    int64_t FirstOffset() const { return first_; }
    const uint32_t* LiteralFrequencies() const { return litFreq_; }
    const uint32_t* DistanceFrequencies() const { return distFreq_; }

private:
    bool Due() const
    {
        const uint32_t tokens = literals_ + matches_;
        if (tokens >= kMaxTokens)
            return true;
        if ((tokens & 8191) != 0 || matches_ >= literals_)
            return false;
        return DueByEstimate();
    }
    bool DueByEstimate() const;

    const TZpDfTranslator& xlat_;
    std::unique_ptr<uint8_t[]> area_; // written before read: no clearing needed
    size_t used_ = 0;
    uint32_t literals_ = 0, matches_ = 0;
    uint32_t litFreq_[286];
    uint32_t distFreq_[32];
    uint64_t covered_ = 0;
    int64_t first_ = 0;
};

// Run-length coded code lengths of one dynamic block (symbols 0..18, with
// one extra-value byte after 16, 17 and 18) and the 19 symbol frequencies.
class TZpDfCodeLenStream {
public:
    void Build(const uint8_t* lengths, unsigned count);

    const uint8_t* Data() const { return data_; }
    unsigned Size() const { return size_; }
    const uint32_t* Frequencies() const { return freq_; }

private:
    void Put(uint8_t symbol) { data_[size_++] = symbol; ++freq_[symbol]; }
    void Put(uint8_t symbol, uint8_t extra) { Put(symbol); data_[size_++] = extra; }

    uint8_t data_[640];
    unsigned size_ = 0;
    uint32_t freq_[19];
};

// Decoder bit reader: source bytes arrive through a 16 KiB buffer into a
// 64-bit bit buffer consumed from bit 0 upward. When the source ends, zero
// bytes are appended up to a multiple of four bytes (they decode as data);
// beyond them only "phantom" zero bits follow, and consuming one of those is
// the "no more compressed data" error. Releasing the reader puts the source
// just after the last byte used.
class TZpDfInBitStream {
public:
    TZpDfInBitStream(TStream* source, const TZpPercentHook* hook, int64_t percentSize);
    ~TZpDfInBitStream();

    // At least 57 valid (possibly phantom) bits afterwards.
    void Refill()
    {
        if (end_ - pos_ >= 8) [[likely]] {
            uint64_t w;
            std::memcpy(&w, buf_.data() + pos_, 8);
            bits_ |= w << count_;
            const unsigned take = (63 - count_) >> 3;
            pos_ += take;
            loaded_ += take;
            count_ |= 56;
        } else {
            RefillSlow();
        }
    }
    uint64_t Bits() const { return bits_; }
    unsigned Count() const { return count_; }
    // Drops n bits (n <= Count()); where names the operation in the error.
    void Consume(unsigned n, const char* where)
    {
        bits_ >>= n;
        count_ -= n;
        if (count_ < phantom_) [[unlikely]]
            Exhausted(where);
    }
    uint32_t Take(unsigned n, const char* where)
    {
        if (count_ < n)
            Refill();
        const uint32_t v = static_cast<uint32_t>(bits_ & ((uint64_t(1) << n) - 1));
        Consume(n, where);
        return v;
    }
    void AlignToByte() { Consume(count_ & 7, "TZpDfInBitStream.AlignToByte"); }
    // Byte-aligned: whole bytes from the bit buffer, then from the byte buffer.
    // Calls sink(data, count) for pieces of the n bytes.
    template <class TSink>
    void ReadBuffer(size_t n, TSink&& sink);

    // The decoder's fast loop works on a copy of the state in registers: it
    // runs only while at least kFastMargin bytes stay in the byte buffer, so
    // no phantom bits can appear, and hands the state back afterwards. Bits
    // loaded but not consumed stay valid: the state keeps them.
    // A fast step loads at most three words of 8 bytes, advancing 7 each.
    static constexpr size_t kFastMargin = 32;
    struct TState {
        const uint8_t* next;
        const uint8_t* end;
        uint64_t bits;
        unsigned count;
    };
    TState Export() const { return {buf_.data() + pos_, buf_.data() + end_, bits_, count_}; }
    void Import(const TState& s)
    {
        const size_t pos = static_cast<size_t>(s.next - buf_.data());
        loaded_ += pos - pos_;
        pos_ = pos;
        bits_ = s.bits;
        count_ = s.count;
    }

    // Source position just after the last byte used.
    void Release();
    uint64_t BytesUsed() const;

    [[noreturn]] static void Exhausted(const char* where);

private:
    static constexpr size_t kBufferSize = 16384;
    void RefillSlow();
    bool FillBuffer();

    TStream* source_;
    int64_t start_;
    const TZpPercentHook* hook_;
    int64_t percentSize_;
    std::vector<uint8_t> buf_;
    size_t pos_ = 0, end_ = 0;
    uint64_t bits_ = 0;
    unsigned count_ = 0;   // valid bits in bits_, phantom ones included
    unsigned phantom_ = 0; // phantom zero bits at the top of bits_
    uint64_t loaded_ = 0;  // bytes moved from buf_ into bits_ (padding included)
    uint64_t read_ = 0;    // bytes read from the source
    bool ended_ = false;
    bool released_ = false;
};

template <class TSink>
void TZpDfInBitStream::ReadBuffer(size_t n, TSink&& sink)
{
    ZpAssert((count_ & 7) == 0, "TZpDfInBitStream.ReadBuffer. cannot read a buffer unless the stream is byte-aligned");
    uint8_t small[8];
    size_t k = 0;
    while (n > 0 && count_ > phantom_) {
        small[k++] = static_cast<uint8_t>(bits_);
        bits_ >>= 8;
        count_ -= 8;
        --n;
    }
    if (k)
        sink(small, k);
    if (n == 0)
        return; // what stays in the bit buffer comes next
    // The bit buffer holds no real byte now (anything above its count is a
    // copy of bytes still in the byte buffer); take the rest from there.
    bits_ = 0;
    count_ = 0;
    while (n > 0) {
        if (pos_ == end_ && !FillBuffer())
            Exhausted("TZpDfInBitStream.ReadBuffer");
        const size_t m = std::min(n, end_ - pos_);
        sink(buf_.data() + pos_, m);
        pos_ += m;
        loaded_ += m;
        n -= m;
    }
}
