// CRC-32 and Adler-32 against zlib, over sizes and alignments that reach
// every path (bytes, 16-byte table steps, 64-byte folding, the tails).
#include <gtest/gtest.h>
#include <zlib.h>

#include "DeflateTestUtil.h"
#include "zip/deflate/ZpAdler32.h"
#include "zip/deflate/ZpCrc32.h"

namespace {

TEST(Checksum, Crc32MatchesZlibOnEveryPathAndAlignment)
{
    const Bytes data = RandomBytes(70000, 7);
    for (size_t offset : {0u, 1u, 3u, 8u, 15u}) {
        for (size_t n : {0u, 1u, 15u, 16u, 17u, 63u, 64u, 65u, 127u, 128u, 200u, 4096u, 65536u}) {
            const uint8_t* p = data.data() + offset;
            const uint32_t want = static_cast<uint32_t>(crc32(0, p, static_cast<uInt>(n)));
            EXPECT_EQ(ZpCrc32(p, n), want) << "offset " << offset << " size " << n;
            EXPECT_EQ(~ZpCrc32UpdateTable(0xFFFFFFFFu, p, n), want) << "table, size " << n;
        }
    }
}

TEST(Checksum, Crc32CarriesAcrossPieces)
{
    const Bytes data = RandomBytes(10000, 8);
    uint32_t reg = 0xFFFFFFFFu;
    size_t at = 0;
    for (size_t piece : {1u, 70u, 3u, 1000u, 64u, 5000u}) {
        reg = ZpCrc32Update(reg, data.data() + at, piece);
        at += piece;
    }
    EXPECT_EQ(~reg, static_cast<uint32_t>(crc32(0, data.data(), static_cast<uInt>(at))));
    EXPECT_EQ(ZpCrc32Byte(0xFFFFFFFFu ^ 0, 'a') ^ 0xFFFFFFFFu, static_cast<uint32_t>(crc32(0, (const Bytef*)"a", 1)));
}

TEST(Checksum, Adler32MatchesZlibIncludingWorstCaseSums)
{
    // All 0xFF bytes make the sums grow fastest between reductions.
    Bytes ones(100000, 0xFF);
    Bytes random = RandomBytes(100000, 9);
    for (const Bytes* data : {&ones, &random})
        for (size_t n : {0u, 1u, 7u, 4095u, 4096u, 4097u, 5552u, 5553u, 100000u})
            EXPECT_EQ(ZpAdler32Update(1, data->data(), n),
                      static_cast<uint32_t>(adler32(1, data->data(), static_cast<uInt>(n))))
                << "size " << n;
}

} // namespace
