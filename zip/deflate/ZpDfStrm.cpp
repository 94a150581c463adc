#include "zip/deflate/ZpDfStrm.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "zip/deflate/ZpDfHufD.h"

// ---- TZpDfOutBitStream ----------------------------------------------------

TZpDfOutBitStream::TZpDfOutBitStream(TStream* dest) : dest_(dest)
{
    ZpAssert(dest != nullptr, "TZpDfOutBitStream.Create: Cannot create a bit stream wrapping a nil stream");
    buffer_.resize(kBufferSize);
}

TZpDfOutBitStream::~TZpDfOutBitStream()
{
    // Only reached unfinished when an exception is leaving the encoder: that
    // exception is the one the caller sees, so a failing flush stays quiet.
    if (finished_ || destFailed_)
        return;
    try {
        Finish();
    } catch (...) {
    }
}

void TZpDfOutBitStream::Drain()
{
    if (fill_ == 0)
        return;
    // Stays set when Write raises: a broken destination is not retried.
    destFailed_ = true;
    const size_t n = dest_->Write(std::span<const uint8_t>(buffer_.data(), fill_));
    if (n != fill_)
        throw EZpInternalDeflateError("the destination stream accepted fewer bytes than written [TZpDfOutBitStream]");
    destFailed_ = false;
    fill_ = 0;
}

void TZpDfOutBitStream::AlignToByte()
{
    const unsigned pad = (8 - (used_ & 7)) & 7;
    if (pad)
        PutBits(0, pad);
}

void TZpDfOutBitStream::MoveOutWholeBytes()
{
    while (used_ > 0) {
        if (fill_ == kBufferSize)
            Drain();
        buffer_[fill_++] = static_cast<uint8_t>(acc_);
        acc_ >>= 8;
        used_ -= 8;
    }
}

void TZpDfOutBitStream::WriteBuffer(const uint8_t* data, size_t count)
{
    ZpAssert((used_ & 7) == 0, "TZpDfOutBitStream.WriteBuffer: must be byte aligned");
    MoveOutWholeBytes();
    while (count > 0) {
        if (fill_ == kBufferSize)
            Drain();
        const size_t n = std::min(count, kBufferSize - fill_);
        std::memcpy(buffer_.data() + fill_, data, n);
        fill_ += n;
        data += n;
        count -= n;
    }
    Drain();
}

void TZpDfOutBitStream::Finish()
{
    if (finished_)
        return;
    finished_ = true;
    AlignToByte();
    MoveOutWholeBytes();
    Drain();
}

// ---- TZpDfLZStream ----------------------------------------------------------

TZpDfLZStream::TZpDfLZStream() : xlat_(TZpDfTranslator::Instance())
{
    // One step may put two tokens and the tail two more beyond the due point.
    area_.reset(new uint8_t[(kMaxTokens + 4) * 5]);
    Clear(0);
}

void TZpDfLZStream::Clear(int64_t firstOffset)
{
    used_ = 0;
    literals_ = matches_ = 0;
    std::fill(std::begin(litFreq_), std::end(litFreq_), 0u);
    std::fill(std::begin(distFreq_), std::end(distFreq_), 0u);
    litFreq_[256] = 1;
    covered_ = 0;
    first_ = firstOffset;
}

bool TZpDfLZStream::DueByEstimate() const
{
    uint64_t bits = 13ull * matches_ + 8ull * literals_;
    for (unsigned d = 4; d < 32; ++d)
        bits += uint64_t(distFreq_[d]) * kZpDistanceExtra[d];
    return bits / 8 < covered_ / 2;
}

uint64_t TZpDfLZStream::StaticBitCount(bool deflate64) const
{
    uint64_t bits = 0;
    for (unsigned s = 0; s < 286; ++s) {
        if (!litFreq_[s])
            continue;
        unsigned len = s < 144 ? 8 : s < 256 ? 9 : s < 280 ? 7 : 8;
        if (s >= 257)
            len += (s == 285) ? (deflate64 ? 16 : 0) : kZpLengthExtra[s - 257];
        bits += uint64_t(litFreq_[s]) * len;
    }
    for (unsigned d = 0; d < 32; ++d)
        bits += uint64_t(distFreq_[d]) * (5 + kZpDistanceExtra[d]);
    return bits;
}

void TZpDfLZStream::Encode(TZpDfOutBitStream& out, const TZpDfDecodeHuffmanTree& lit, bool deflate64,
                           const TZpDfDecodeHuffmanTree& dist) const
{
    const uint32_t* litCodes = lit.EncodeTable();
    const uint32_t* distCodes = dist.EncodeTable();
    const uint8_t* p = area_.get();
    const uint8_t* const end = p + used_;
    while (p < end) {
        if (p[0] == 1) {
            const uint32_t e = litCodes[p[1]];
            out.PutBits(e & 0xFFFF, (e >> 16) & 0xFF);
            p += 2;
            continue;
        }
        uint16_t l, d;
        std::memcpy(&l, p + 1, 2);
        std::memcpy(&d, p + 3, 2);
        p += 5;
        const uint32_t length = uint32_t(l) + 1, distance = uint32_t(d) + 1;
        const unsigned ls = xlat_.TranslateLengthUnchecked(length);
        const uint32_t le = litCodes[ls];
        uint32_t bits = le & 0xFFFF;
        unsigned count = (le >> 16) & 0xFF;
        if (ls == 285) {
            if (deflate64) {
                out.PutBits(bits, count);
                bits = length - 3;
                count = 16;
            }
        } else {
            const unsigned extra = kZpLengthExtra[ls - 257];
            bits |= (length - kZpLengthBase[ls - 257]) << count;
            count += extra;
        }
        const unsigned ds = xlat_.TranslateDistanceUnchecked(distance);
        ZpAssert(deflate64 || ds < 30, "TZpDfLZStream.Encode: a Deflate64 distance symbol has been generated for Deflate");
        const uint32_t de = distCodes[ds];
        const unsigned dlen = (de >> 16) & 0xFF;
        // Length code + extra (<= 20 bits) and distance code + extra (<= 28 bits)
        // go out as two puts of at most 32 bits each.
        out.PutBits(bits, count);
        out.PutBits((de & 0xFFFF) | ((distance - kZpDistanceBase[ds]) << dlen), dlen + kZpDistanceExtra[ds]);
    }
}

// ---- TZpDfCodeLenStream ---------------------------------------------------

void TZpDfCodeLenStream::Build(const uint8_t* lengths, unsigned count)
{
    size_ = 0;
    std::fill(std::begin(freq_), std::end(freq_), 0u);
    unsigned i = 0;
    while (i < count) {
        const uint8_t v = lengths[i];
        unsigned r = 1;
        while (i + r < count && lengths[i + r] == v)
            ++r;
        i += r;
        if (r <= 2) {
            while (r--)
                Put(v);
        } else if (v == 0) {
            while (r > 0) {
                if (r < 3) {
                    while (r--)
                        Put(0);
                    r = 0;
                } else if (r <= 10) {
                    Put(17, static_cast<uint8_t>(r - 3));
                    r = 0;
                } else {
                    const unsigned k = std::min(r, 138u);
                    Put(18, static_cast<uint8_t>(k - 11));
                    r -= k;
                }
            }
        } else {
            Put(v);
            --r;
            while (r > 0) {
                if (r < 3) {
                    while (r--)
                        Put(v);
                    r = 0;
                } else {
                    const unsigned k = std::min(r, 6u);
                    Put(16, static_cast<uint8_t>(k - 3));
                    r -= k;
                }
            }
        }
    }
}

// ---- TZpDfInBitStream -----------------------------------------------------

TZpDfInBitStream::TZpDfInBitStream(TStream* source, const TZpPercentHook* hook, int64_t percentSize)
    : source_(source), hook_(hook), percentSize_(percentSize)
{
    ZpAssert(source != nullptr, "TZpDfInBitStream.Create: Cannot create a bit stream wrapping a nil stream");
    start_ = source->Position();
    buf_.resize(kBufferSize + 8);
}

TZpDfInBitStream::~TZpDfInBitStream()
{
    try {
        Release();
    } catch (...) {
        // The error that unwinds this reader is the one to report.
    }
}

void TZpDfInBitStream::Exhausted(const char* where)
{
    throw EZpInternalInflateError(std::string("no more compressed data in stream [") + where + "]");
}

bool TZpDfInBitStream::FillBuffer()
{
    if (ended_)
        return false;
    std::memmove(buf_.data(), buf_.data() + pos_, end_ - pos_);
    end_ -= pos_;
    pos_ = 0;
    size_t got = 0;
    while (end_ < kBufferSize) {
        const size_t n = source_->Read(std::span<uint8_t>(buf_.data() + end_, kBufferSize - end_));
        if (n == 0) {
            ended_ = true;
            break;
        }
        end_ += n;
        got += n;
    }
    read_ += got;
    if (ended_) {
        // Whole 32-bit words of input: the padding decodes as data.
        const size_t pad = (4 - read_ % 4) % 4;
        std::memset(buf_.data() + end_, 0, pad);
        end_ += pad;
    }
    if (got && hook_ && *hook_ && percentSize_ > 0)
        (*hook_)(static_cast<int>(std::nearbyint(double(read_) * 100.0 / double(percentSize_))));
    return end_ > pos_;
}

void TZpDfInBitStream::RefillSlow()
{
    while (count_ <= 56) {
        if (pos_ == end_ && !FillBuffer()) {
            count_ += 8;
            phantom_ += 8;
            continue;
        }
        if (end_ - pos_ >= 8) {
            Refill();
            return;
        }
        bits_ |= uint64_t(buf_[pos_++]) << count_;
        count_ += 8;
        ++loaded_;
    }
}

uint64_t TZpDfInBitStream::BytesUsed() const
{
    const uint64_t consumedBits = loaded_ * 8 - (count_ - phantom_);
    return std::min<uint64_t>((consumedBits + 7) / 8, read_);
}

void TZpDfInBitStream::Release()
{
    if (released_)
        return;
    released_ = true;
    source_->Seek(start_ + static_cast<int64_t>(BytesUsed()), soFromBeginning);
}
