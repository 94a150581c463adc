#include "zip/deflate/ZpDfHufD.h"

#include <algorithm>
#include <cstdio>
#include <string>

#include "zip/deflate/ZpDfXlat.h"

TZpDfDecodeHuffmanTree::TZpDfDecodeHuffmanTree(unsigned alphabetSize, unsigned maxCodeLength, TZpDfHuffmanUsage usage)
    : alphabetSize_(alphabetSize), maxCodeLength_(maxCodeLength), usage_(usage)
{
    ZpAssert(alphabetSize >= 2, "TZpDfDecodeHuffmanTree.Create: a huffman tree must be for at least two symbols");
    if (usage_ != TZpDfHuffmanUsage::ForDecoding)
        encode_.assign(alphabetSize_, kUnused);
}

void TZpDfDecodeHuffmanTree::Build(const uint8_t* lengths, unsigned start, unsigned count, const uint8_t* extraBits,
                                   unsigned extraOffset)
{
    count = std::min(count, alphabetSize_);
    unsigned counts[16] = {};
    lookupBitLength_ = 0;
    for (unsigned s = 0; s < count; ++s) {
        const unsigned len = lengths[start + s];
        if (len > maxCodeLength_) {
            char text[96];
            std::snprintf(text, sizeof text, "TZpDfDecodeHuffmanTree.Build: a code length is greater than %u",
                          maxCodeLength_);
            throw EZpAssertionFailed(text);
        }
        ++counts[len];
        lookupBitLength_ = std::max(lookupBitLength_, len);
    }
    if (usage_ != TZpDfHuffmanUsage::ForDecoding)
        std::fill(encode_.begin(), encode_.end(), kUnused);
    if (usage_ != TZpDfHuffmanUsage::ForEncoding)
        decode_.assign(size_t(1) << lookupBitLength_, kUnused);

    uint32_t next[16] = {};
    uint32_t code = 0;
    counts[0] = 0;
    for (unsigned len = 1; len <= 15; ++len) {
        code = (code + counts[len - 1]) << 1;
        next[len] = code;
    }
    for (unsigned s = 0; s < count; ++s) {
        const unsigned len = lengths[start + s];
        if (len == 0)
            continue;
        const uint32_t reversed = ZpReverseBits(next[len]++, len) & 0xFFFF;
        const uint32_t extra = (extraOffset != kNoExtraBits && s >= extraOffset) ? extraBits[s - extraOffset] : 0;
        const uint32_t tail = (len << 16) | (extra << 24);
        if (!encode_.empty())
            encode_[s] = reversed | tail;
        if (!decode_.empty())
            for (uint32_t slot = reversed; slot < decode_.size(); slot += uint32_t(1) << len)
                decode_[slot] = s | tail;
    }
}

const TZpDfDecodeHuffmanTree& TZpDfDecodeHuffmanTree::FixedLiteralTree()
{
    static const TZpDfDecodeHuffmanTree tree = [] {
        TZpDfDecodeHuffmanTree t(288, 15, TZpDfHuffmanUsage::ForBoth);
        uint8_t lengths[288];
        std::fill(lengths, lengths + 144, 8);
        std::fill(lengths + 144, lengths + 256, 9);
        std::fill(lengths + 256, lengths + 280, 7);
        std::fill(lengths + 280, lengths + 288, 8);
        t.Build(lengths, 0, 288, kZpLengthExtra, 257);
        return t;
    }();
    return tree;
}

const TZpDfDecodeHuffmanTree& TZpDfDecodeHuffmanTree::FixedDistanceTree()
{
    static const TZpDfDecodeHuffmanTree tree = [] {
        TZpDfDecodeHuffmanTree t(32, 15, TZpDfHuffmanUsage::ForBoth);
        uint8_t lengths[32];
        std::fill(lengths, lengths + 32, 5);
        t.Build(lengths, 0, 32, kZpDistanceExtra, 0);
        return t;
    }();
    return tree;
}
