// Fixed Deflate tables (RFC 1951 with the Deflate64 changes) and the
// translator from lengths and distances to their symbols.
#pragma once

#include <cstdint>

#include "zip/ZpExcept.h"

// Length base of symbols 257..285; symbol 285 carries its Deflate64 meaning
// (base 3, 16 extra bits). Plain Deflate reads 285 as 258 with no extra bits,
// a rule the encoder and decoder apply, not these tables.
inline constexpr uint16_t kZpLengthBase[29] = {3,  4,  5,  6,  7,  8,  9,  10, 11,  13,  15,  17,  19,  23, 27,
                                               31, 35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 3};
// Extra bits of symbols 257..287 (286 and 287 are invalid: 99).
inline constexpr uint8_t kZpLengthExtra[31] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2, 2,
                                               3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 16, 99, 99};
inline constexpr uint32_t kZpDistanceBase[32] = {1,    2,    3,    4,    5,    7,     9,     13,    17,    25,   33,
                                                 49,   65,   97,   129,  193,  257,   385,   513,   769,   1025, 1537,
                                                 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577, 32769, 49153};
inline constexpr uint8_t kZpDistanceExtra[32] = {0, 0, 0, 0, 1, 1, 2, 2,  3,  3,  4,  4,  5,  5,  6,  6,
                                                 7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13, 14, 14};
// Order in which the code-length code lengths are sent.
inline constexpr uint8_t kZpCodeLengthOrder[19] = {16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13, 2, 14, 1, 15};

// Length and distance to symbol by byte-table lookups.
class TZpDfTranslator {
public:
    TZpDfTranslator();

    // 3..65536 -> 257..285 (lengths above 258 are Deflate64 and give 285).
    unsigned TranslateLength(uint32_t length) const
    {
        ZpAssert(length >= 3 && length <= 65536, "TZpDfTranslator.Translate: length should be 3..65536");
        return length - 3 <= 255 ? 257 + table_[kLengthAt + length - 3] : 285;
    }
    // 1..65536 -> 0..31.
    unsigned TranslateDistance(uint32_t distance) const
    {
        ZpAssert(distance >= 1 && distance <= 65536, "TZpDfTranslator.Translate: distance should be 1..65536");
        return TranslateDistanceUnchecked(distance);
    }
    // For the encoder's hot path where the range is known.
    unsigned TranslateLengthUnchecked(uint32_t length) const
    {
        return length - 3 <= 255 ? 257 + table_[kLengthAt + length - 3] : 285;
    }
    unsigned TranslateDistanceUnchecked(uint32_t distance) const
    {
        if (distance <= 256)
            return table_[kShortAt + distance - 1];
        if (distance > 32768)
            return table_[kLongAt + ((distance - 1) >> 14) - 2];
        return table_[kMediumAt + ((distance - 1) >> 7) - 2];
    }

    static const TZpDfTranslator& Instance();

private:
    // One 770-byte block: lengths (256), long distances (2), medium (256), short (256).
    static constexpr unsigned kLengthAt = 0, kLongAt = 256, kMediumAt = 258, kShortAt = 514;
    uint8_t table_[770];
};
