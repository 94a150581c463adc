// Code-length generation (package-merge), canonical code tables and the
// length/distance translator.
#include <gtest/gtest.h>

#include <numeric>

#include "DeflateTestUtil.h"
#include "zip/deflate/ZpDfHufD.h"
#include "zip/deflate/ZpDfPkMg.h"
#include "zip/deflate/ZpDfXlat.h"

namespace {

std::vector<uint8_t> Lengths(unsigned limit, const std::vector<uint32_t>& weights, unsigned start = 0)
{
    std::vector<uint8_t> out(start + weights.size(), 0xEE);
    GenerateCodeLengths(limit, weights, out.data(), start, nullptr);
    return std::vector<uint8_t>(out.begin() + start, out.end());
}

// Kraft sum scaled by 2^15: exactly 2^15 for a complete code.
uint64_t Kraft(const std::vector<uint8_t>& lengths)
{
    uint64_t sum = 0;
    for (uint8_t l : lengths)
        if (l)
            sum += uint64_t(1) << (15 - l);
    return sum;
}

TEST(PackageMerge, SmallExamples)
{
    struct Case {
        unsigned limit;
        std::vector<uint32_t> weights;
        std::vector<uint8_t> want;
    } cases[] = {
        {15, {1, 1, 100}, {2, 2, 1}},
        {15, {1, 1, 1, 1, 1000}, {3, 3, 3, 3, 1}},
        {15, {0, 0, 0, 0}, {1, 0, 0, 0}},     // nothing used: the first symbol gets a code
        {15, {0, 0, 9, 0}, {0, 0, 1, 0}},     // one used symbol: length 1
        {7, {5, 5}, {1, 1}},
        {2, {1, 2, 4, 8}, {2, 2, 2, 2}},      // the limit flattens the code
        {3, {1, 1, 2, 4, 8, 16}, {3, 3, 3, 3, 2, 2}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Lengths(c.limit, c.weights), c.want) << "limit " << c.limit;
    // The start index shifts where the lengths go, not what they are.
    EXPECT_EQ(Lengths(15, {1, 1, 100}, 5), (std::vector<uint8_t>{2, 2, 1}));
}

TEST(PackageMerge, LimitedCodesStayCompleteAndWithinTheLimit)
{
    // Fibonacci weights would give an unlimited code far deeper than 15.
    std::vector<uint32_t> fib{1, 1};
    while (fib.size() < 30)
        fib.push_back(fib[fib.size() - 1] + fib[fib.size() - 2]);
    for (unsigned limit : {7u, 9u, 15u}) {
        std::vector<uint32_t> w(fib.begin(), fib.begin() + 19);
        if (limit == 15)
            w = fib;
        const auto lengths = Lengths(limit, w);
        EXPECT_LE(*std::max_element(lengths.begin(), lengths.end()), limit);
        EXPECT_EQ(Kraft(lengths), uint64_t(1) << 15) << "limit " << limit;
    }
    // A realistic literal alphabet: 286 symbols, a few unused.
    std::vector<uint32_t> w(286);
    std::mt19937 rng(4);
    for (auto& x : w)
        x = (rng() % 5 == 0) ? 0 : rng() % 100000;
    w[256] = 1;
    const auto lengths = Lengths(15, w);
    EXPECT_EQ(Kraft(lengths), uint64_t(1) << 15);
    for (size_t s = 0; s < w.size(); ++s)
        EXPECT_EQ(lengths[s] == 0, w[s] == 0) << s;
}

TEST(PackageMerge, RejectsImpossibleRequests)
{
    uint8_t out[300];
    const std::vector<uint32_t> three{1, 2, 3};
    EXPECT_THROW(GenerateCodeLengths(0, three, out, 0, nullptr), EZpAssertionFailed);
    EXPECT_THROW(GenerateCodeLengths(16, three, out, 0, nullptr), EZpAssertionFailed);
    EXPECT_THROW(GenerateCodeLengths(15, std::vector<uint32_t>(287, 1), out, 0, nullptr), EZpAssertionFailed);
    EXPECT_THROW(GenerateCodeLengths(1, three, out, 0, nullptr), EZpAssertionFailed); // 3 codes of 1 bit
}

TEST(HuffmanTable, CanonicalCodesAsRfc1951Example)
{
    // RFC 1951 section 3.2.2: lengths (3,3,3,3,3,2,4,4) give codes
    // 010,011,100,101,110,00,1110,1111.
    const uint8_t lengths[] = {3, 3, 3, 3, 3, 2, 4, 4};
    TZpDfDecodeHuffmanTree t(8, 15, TZpDfHuffmanUsage::ForBoth);
    t.Build(lengths, 0, 8, nullptr, TZpDfDecodeHuffmanTree::kNoExtraBits);
    const uint32_t codes[] = {0b010, 0b011, 0b100, 0b101, 0b110, 0b00, 0b1110, 0b1111};
    EXPECT_EQ(t.LookupBitLength(), 4u);
    for (unsigned s = 0; s < 8; ++s) {
        const uint32_t e = t.Encode(s);
        EXPECT_EQ(e & 0xFFFF, ZpReverseBits(codes[s], lengths[s])) << s;
        EXPECT_EQ((e >> 16) & 0xFF, lengths[s]);
        // Every slot whose low bits are the reversed code decodes to s.
        for (uint32_t slot = e & 0xFFFF; slot < 16; slot += 1u << lengths[s])
            EXPECT_EQ(t.Decode(slot), s | (uint32_t(lengths[s]) << 16));
    }
    EXPECT_THROW(t.Decode(16), EZpAssertionFailed);
    EXPECT_THROW(t.Encode(8), EZpAssertionFailed);
}

TEST(HuffmanTable, SingleCodeLeavesTheOtherSlotUnused)
{
    const uint8_t lengths[] = {0, 1, 0};
    TZpDfDecodeHuffmanTree t(3, 7, TZpDfHuffmanUsage::ForBoth);
    t.Build(lengths, 0, 3, nullptr, TZpDfDecodeHuffmanTree::kNoExtraBits);
    EXPECT_EQ(t.LookupBitLength(), 1u);
    EXPECT_EQ(t.Decode(0), 1u | (1u << 16));
    EXPECT_EQ(t.Decode(1), 0xFFFFFFFFu);
    EXPECT_THROW(t.Encode(0), EZpAssertionFailed); // not used
}

TEST(HuffmanTable, ExtraBitsAndChecks)
{
    const auto& lit = TZpDfDecodeHuffmanTree::FixedLiteralTree();
    EXPECT_EQ(lit.LookupBitLength(), 9u);
    EXPECT_EQ(lit.Encode(256) >> 16, 7u);                    // end of block: 7 bits, no extra
    EXPECT_EQ(lit.Encode(265) >> 24, 1u);                    // lengths 11-12: one extra bit
    EXPECT_EQ(lit.Encode(285) >> 24, 16u);                   // Deflate64 meaning in the table
    EXPECT_EQ(lit.Encode(0), ZpReverseBits(0x30, 8) | (8u << 16));
    const auto& dist = TZpDfDecodeHuffmanTree::FixedDistanceTree();
    EXPECT_EQ(dist.Encode(31) >> 24, 14u);
    EXPECT_THROW(TZpDfDecodeHuffmanTree(1, 15, TZpDfHuffmanUsage::ForBoth), EZpAssertionFailed);
    const uint8_t tooLong[] = {8, 1};
    TZpDfDecodeHuffmanTree cl(19, 7, TZpDfHuffmanUsage::ForDecoding);
    try {
        cl.Build(tooLong, 0, 2, nullptr, TZpDfDecodeHuffmanTree::kNoExtraBits);
        FAIL();
    } catch (const EZpAssertionFailed& e) {
        EXPECT_STREQ(e.what(), "TZpDfDecodeHuffmanTree.Build: a code length is greater than 7");
    }
}

TEST(Translator, LengthsAndDistancesToSymbols)
{
    const auto& x = TZpDfTranslator::Instance();
    struct Case {
        uint32_t value;
        unsigned symbol;
    };
    for (const Case& c : std::initializer_list<Case>{{3, 257}, {10, 264}, {11, 265}, {12, 265}, {13, 266},
                                                     {227, 284}, {257, 284}, {258, 285}, {259, 285}, {65536, 285}})
        EXPECT_EQ(x.TranslateLength(c.value), c.symbol) << "length " << c.value;
    for (const Case& c : std::initializer_list<Case>{{1, 0}, {4, 3}, {5, 4}, {6, 4}, {7, 5}, {256, 15}, {257, 16},
                                                     {384, 16}, {385, 17}, {4096, 23}, {4097, 24}, {32768, 29},
                                                     {32769, 30}, {49152, 30}, {49153, 31}, {65536, 31}})
        EXPECT_EQ(x.TranslateDistance(c.value), c.symbol) << "distance " << c.value;
    // Every distance lands on the symbol whose range holds it.
    for (uint32_t d = 1; d <= 65536; ++d) {
        const unsigned s = x.TranslateDistance(d);
        ASSERT_GE(d, kZpDistanceBase[s]);
        ASSERT_LT(d - kZpDistanceBase[s], 1u << kZpDistanceExtra[s]) << d;
    }
    EXPECT_THROW(x.TranslateLength(2), EZpAssertionFailed);
    EXPECT_THROW(x.TranslateDistance(0), EZpAssertionFailed);
    EXPECT_THROW(x.TranslateDistance(65537), EZpAssertionFailed);
}

} // namespace
