// Huffman code table serving both encoding and decoding: canonical codes
// from code lengths, with per-symbol encode entries (code bits already
// reversed for least-significant-bit-first writing) and a full decode array
// indexed by the next LookupBitLength stream bits.
//
// Entry layout (32 bits): bits 0-15 symbol (decode) or reversed code
// (encode), bits 16-23 code length, bits 24-31 extra-bit count. Unused
// encode entries and unreached decode slots are all ones.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "zip/ZpExcept.h"

enum class TZpDfHuffmanUsage { ForEncoding, ForDecoding, ForBoth };

class TZpDfDecodeHuffmanTree {
public:
    static constexpr uint32_t kUnused = 0xFFFFFFFFu;
    static constexpr unsigned kNoExtraBits = 65535;

    TZpDfDecodeHuffmanTree(unsigned alphabetSize, unsigned maxCodeLength, TZpDfHuffmanUsage usage);

    // Symbols 0..count-1 take lengths[start .. start+count-1]; a symbol s at or
    // above extraOffset gets extraBits[s - extraOffset] extra bits.
    // Incomplete sets leave all-ones slots; over-subscribed sets are not
    // checked here (the decoder builds its own tables).
    void Build(const uint8_t* lengths, unsigned start, unsigned count, const uint8_t* extraBits, unsigned extraOffset);

    uint32_t Decode(uint32_t lookupBits) const
    {
        ZpAssert(lookupBits >> lookupBitLength_ == 0 && !decode_.empty(),
                 "TZpDfDecodeHuffmanTree.Decode: trying to decode too many bits, use LookupBitLength property");
        return decode_[lookupBits];
    }
    uint32_t Encode(unsigned symbol) const
    {
        ZpAssert(symbol < alphabetSize_ && !encode_.empty(),
                 "TZpDfDecodeHuffmanTree.Encode: trying to encode a symbol that is not in the alphabet");
        const uint32_t entry = encode_[symbol];
        ZpAssert(entry != kUnused, "TZpDfDecodeHuffmanTree.Encode: trying to encode a symbol that was not used");
        return entry;
    }
    // Encode entries without checks, for the encoder's inner loop.
    const uint32_t* EncodeTable() const { return encode_.data(); }

    unsigned LookupBitLength() const { return lookupBitLength_; }
    unsigned AlphabetSize() const { return alphabetSize_; }

    // The fixed (static) codes of RFC 1951, built once per process.
    static const TZpDfDecodeHuffmanTree& FixedLiteralTree();  // 288 symbols
    static const TZpDfDecodeHuffmanTree& FixedDistanceTree(); // 32 symbols

private:
    unsigned alphabetSize_;
    unsigned maxCodeLength_;
    TZpDfHuffmanUsage usage_;
    unsigned lookupBitLength_ = 0;
    std::vector<uint32_t> encode_;
    std::vector<uint32_t> decode_;
};

// Reverses the low count bits of code.
inline uint32_t ZpReverseBits(uint32_t code, unsigned count)
{
    uint32_t r = 0;
    for (unsigned i = 0; i < count; ++i) {
        r = (r << 1) | (code & 1);
        code >>= 1;
    }
    return r;
}
