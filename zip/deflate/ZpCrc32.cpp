#include "zip/deflate/ZpCrc32.h"

#include <array>
#include <cstring>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define ZP_CRC_X86 1
#endif

namespace {

// Tables for slicing by 16: table[k][b] is the register after byte b is
// followed by k zero bytes.
using TCrcTables = std::array<std::array<uint32_t, 256>, 16>;

constexpr TCrcTables MakeTables()
{
    TCrcTables t{};
    for (uint32_t b = 0; b < 256; ++b) {
        uint32_t c = b;
        for (int i = 0; i < 8; ++i)
            c = (c >> 1) ^ (0xEDB88320u & (0u - (c & 1)));
        t[0][b] = c;
    }
    for (int k = 1; k < 16; ++k)
        for (uint32_t b = 0; b < 256; ++b)
            t[k][b] = (t[k - 1][b] >> 8) ^ t[0][t[k - 1][b] & 0xFF];
    return t;
}

constexpr TCrcTables kTables = MakeTables();

inline uint32_t Load32(const uint8_t* p)
{
    uint32_t v;
    std::memcpy(&v, p, 4);
    return v; // little-endian host (x86-64, arm64)
}

#ifdef ZP_CRC_X86
// Folding with carry-less multiplication: four 128-bit lanes advance 64 bytes
// per step; each constant pair is x^(d+32) and x^(d-32) mod P, bit-reflected
// over 33 bits, for a fold distance of d bits. The folded 128 bits are
// congruent to the message so far, so the table routine finishes on them.
__attribute__((target("pclmul,sse2"))) inline __m128i Fold(__m128i x, __m128i k)
{
    return _mm_xor_si128(_mm_clmulepi64_si128(x, k, 0x00), _mm_clmulepi64_si128(x, k, 0x11));
}

__attribute__((target("pclmul,sse2"))) uint32_t Crc32Folding(uint32_t crc, const uint8_t* p, size_t n)
{
    if (n < 64)
        return ZpCrc32UpdateTable(crc, p, n);
    const __m128i k512 = _mm_set_epi64x(0x1c6e41596LL, 0x154442bd4LL);
    const __m128i k128 = _mm_set_epi64x(0x0ccaa009eLL, 0x1751997d0LL);
    auto load = [](const uint8_t* q) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(q)); };
    __m128i x0 = _mm_xor_si128(load(p), _mm_cvtsi32_si128(static_cast<int>(crc)));
    __m128i x1 = load(p + 16), x2 = load(p + 32), x3 = load(p + 48);
    p += 64;
    n -= 64;
    while (n >= 64) {
        x0 = _mm_xor_si128(Fold(x0, k512), load(p));
        x1 = _mm_xor_si128(Fold(x1, k512), load(p + 16));
        x2 = _mm_xor_si128(Fold(x2, k512), load(p + 32));
        x3 = _mm_xor_si128(Fold(x3, k512), load(p + 48));
        p += 64;
        n -= 64;
    }
    __m128i x = _mm_xor_si128(Fold(x0, k128), x1);
    x = _mm_xor_si128(Fold(x, k128), x2);
    x = _mm_xor_si128(Fold(x, k128), x3);
    while (n >= 16) {
        x = _mm_xor_si128(Fold(x, k128), load(p));
        p += 16;
        n -= 16;
    }
    alignas(16) uint8_t rest[16];
    _mm_store_si128(reinterpret_cast<__m128i*>(rest), x);
    return ZpCrc32UpdateTable(ZpCrc32UpdateTable(0, rest, 16), p, n);
}

bool DetectFolding()
{
    __builtin_cpu_init();
    return __builtin_cpu_supports("pclmul") && __builtin_cpu_supports("sse2");
}
const bool kHasFolding = DetectFolding();
#else
const bool kHasFolding = false;
#endif

} // namespace

uint32_t ZpCrc32Byte(uint32_t crc, uint8_t byte)
{
    return (crc >> 8) ^ kTables[0][(crc ^ byte) & 0xFF];
}

uint32_t ZpCrc32UpdateTable(uint32_t crc, const uint8_t* p, size_t n)
{
    while (n >= 16) {
        const uint32_t a = Load32(p) ^ crc, b = Load32(p + 4), c = Load32(p + 8), d = Load32(p + 12);
        crc = kTables[15][a & 0xFF] ^ kTables[14][(a >> 8) & 0xFF] ^ kTables[13][(a >> 16) & 0xFF] ^ kTables[12][a >> 24] ^
              kTables[11][b & 0xFF] ^ kTables[10][(b >> 8) & 0xFF] ^ kTables[9][(b >> 16) & 0xFF] ^ kTables[8][b >> 24] ^
              kTables[7][c & 0xFF] ^ kTables[6][(c >> 8) & 0xFF] ^ kTables[5][(c >> 16) & 0xFF] ^ kTables[4][c >> 24] ^
              kTables[3][d & 0xFF] ^ kTables[2][(d >> 8) & 0xFF] ^ kTables[1][(d >> 16) & 0xFF] ^ kTables[0][d >> 24];
        p += 16;
        n -= 16;
    }
    while (n--)
        crc = (crc >> 8) ^ kTables[0][(crc ^ *p++) & 0xFF];
    return crc;
}

uint32_t ZpCrc32Update(uint32_t crc, const uint8_t* data, size_t size)
{
#ifdef ZP_CRC_X86
    if (kHasFolding)
        return Crc32Folding(crc, data, size);
#endif
    return ZpCrc32UpdateTable(crc, data, size);
}

bool ZpCrc32HasFolding()
{
    return kHasFolding;
}
