// Helpers shared by the Deflate engine tests: byte-vector wrappers around
// Deflate and Inflate, deterministic test data, the shared folder, and a
// small token reader for fixed-code blocks (to see which matches the
// encoder chose).
#pragma once

#include <cstdint>
#include <filesystem>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "platform/Stream.h"
#include "tests/support/SharedFolder.h"
#include "zip/deflate/ZpDfBase.h"
#include "zip/deflate/ZpDfDec.h"
#include "zip/deflate/ZpDfEnc.h"

using Bytes = std::vector<uint8_t>;

inline Bytes DeflateBytes(const Bytes& in, TZpDeflateHelper* helper, uint32_t* checksum = nullptr)
{
    TMemoryStream src(in), dst;
    const uint32_t sum = Deflate(&src, &dst, helper);
    if (checksum)
        *checksum = sum;
    return dst.Bytes();
}

// A helper set the way the zip writer sets it: '0', then the letter.
inline TZpDeflateHelper Preset(char letter)
{
    TZpDeflateHelper h;
    h.SetPresetLetter('0');
    h.SetPresetLetter(letter);
    return h;
}

inline Bytes DeflateWith(const Bytes& in, char letter)
{
    TZpDeflateHelper h = Preset(letter);
    return DeflateBytes(in, &h);
}

inline Bytes InflateBytes(const Bytes& in, TZpDeflateHelper* helper = nullptr, uint32_t* checksum = nullptr)
{
    TMemoryStream src(in), dst;
    const uint32_t sum = Inflate(&src, &dst, helper);
    if (checksum)
        *checksum = sum;
    return dst.Bytes();
}

inline Bytes RandomBytes(size_t n, uint32_t seed)
{
    std::mt19937 rng(seed);
    Bytes b(n);
    for (auto& x : b)
        x = static_cast<uint8_t>(rng());
    return b;
}

// English-like text with repeats at every distance.
inline Bytes TextBytes(size_t n, uint32_t seed = 1)
{
    static const char* words[] = {"the ", "quick ", "brown ", "fox ", "jumps ", "over ", "lazy ", "dog ", "and ",
                                  "backup ", "archive ", "diskette ", "restore ", "product ", "data ", "\n"};
    std::mt19937 rng(seed);
    Bytes b;
    b.reserve(n);
    while (b.size() < n) {
        const char* w = words[rng() % 16];
        for (; *w && b.size() < n; ++w)
            b.push_back(static_cast<uint8_t>(*w));
    }
    return b;
}

// Fixed-size records like a database table: a counter, a name, padding.
inline Bytes RecordBytes(size_t records)
{
    Bytes b;
    for (size_t i = 0; i < records; ++i) {
        char rec[64] = {};
        std::snprintf(rec, sizeof rec, "%08zu|CUSTOMER %05zu|%s", i, i % 977, (i % 3) ? "ACTIVE" : "CLOSED");
        b.insert(b.end(), rec, rec + sizeof rec);
    }
    return b;
}

// Tokens of a stream made only of fixed-code blocks.
struct TToken {
    bool literal;
    uint32_t value;    // literal byte or match length
    uint32_t distance; // matches only
};

class TFixedTokenReader {
public:
    explicit TFixedTokenReader(const Bytes& stream) : s_(stream) {}

    // Reads every block; returns false when a block is not fixed-code.
    bool ReadAll(std::vector<TToken>& tokens)
    {
        bool final = false;
        while (!final) {
            final = Bits(1);
            if (Bits(2) != 1)
                return false;
            for (;;) {
                const unsigned sym = Symbol();
                if (sym < 256) {
                    tokens.push_back({true, sym, 0});
                    continue;
                }
                if (sym == 256)
                    break;
                static const unsigned lbase[] = {3,  4,  5,  6,  7,  8,  9,  10, 11,  13,  15,  17,  19,  23, 27,
                                                 31, 35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 258};
                static const unsigned lextra[] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2, 2,
                                                  3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
                const unsigned length = lbase[sym - 257] + Bits(lextra[sym - 257]);
                const unsigned dsym = Reversed(5);
                static const unsigned dbase[] = {1,    2,    3,    4,    5,    7,     9,     13,    17,   25,
                                                 33,   49,   65,   97,   129,  193,   257,   385,   513,  769,
                                                 1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577};
                const unsigned dextra = dsym < 4 ? 0 : dsym / 2 - 1;
                tokens.push_back({false, length, dbase[dsym] + Bits(dextra)});
            }
        }
        return true;
    }

private:
    unsigned Bit()
    {
        const unsigned b = (s_.at(pos_ / 8) >> (pos_ % 8)) & 1;
        ++pos_;
        return b;
    }
    unsigned Bits(unsigned n)
    {
        unsigned v = 0;
        for (unsigned i = 0; i < n; ++i)
            v |= Bit() << i;
        return v;
    }
    unsigned Reversed(unsigned n)
    {
        unsigned v = 0;
        for (unsigned i = 0; i < n; ++i)
            v = (v << 1) | Bit();
        return v;
    }
    unsigned Symbol()
    {
        unsigned v = Reversed(7);
        if (v <= 23)
            return 256 + v;
        v = (v << 1) | Bit();
        if (v >= 0x30 && v <= 0xBF)
            return v - 0x30;
        if (v >= 0xC0 && v <= 0xC7)
            return 280 + v - 0xC0;
        v = (v << 1) | Bit();
        return 144 + v - 0x190;
    }

    const Bytes& s_;
    size_t pos_ = 0;
};
