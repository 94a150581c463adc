#include "zip/deflate/ZpAdler32.h"

uint32_t ZpAdler32Update(uint32_t adler, const uint8_t* p, size_t n)
{
    constexpr uint32_t kBase = 65521;
    // 4096 bytes keep both sums far below 2^32 between reductions.
    constexpr size_t kBlock = 4096;
    uint32_t a = adler & 0xFFFF, b = adler >> 16;
    while (n > 0) {
        size_t k = n < kBlock ? n : kBlock;
        n -= k;
        while (k >= 8) {
            a += p[0]; b += a; a += p[1]; b += a; a += p[2]; b += a; a += p[3]; b += a;
            a += p[4]; b += a; a += p[5]; b += a; a += p[6]; b += a; a += p[7]; b += a;
            p += 8;
            k -= 8;
        }
        while (k--) {
            a += *p++;
            b += a;
        }
        a %= kBase;
        b %= kBase;
    }
    return (b << 16) | a;
}
