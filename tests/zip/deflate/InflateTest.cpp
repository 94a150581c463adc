// The decoder on hand-made streams: block kinds, Deflate64 rules, stops,
// positions, and corrupt input ending in EZpInflateError.
#include <gtest/gtest.h>

#include "DeflateTestUtil.h"
#include "zip/deflate/ZpCrc32.h"

namespace {

// Writes a stream bit by bit: values least significant bit first, Huffman
// codes most significant bit first (as RFC 1951 packs them).
class TBitWriter {
public:
    TBitWriter& Put(uint32_t value, unsigned bits)
    {
        for (unsigned i = 0; i < bits; ++i)
            Bit((value >> i) & 1);
        return *this;
    }
    TBitWriter& Code(uint32_t code, unsigned bits)
    {
        for (unsigned i = bits; i-- > 0;)
            Bit((code >> i) & 1);
        return *this;
    }
    TBitWriter& Align()
    {
        while (n_ % 8)
            Bit(0);
        return *this;
    }
    Bytes Done() { return b_; }

private:
    void Bit(unsigned v)
    {
        if (n_ % 8 == 0)
            b_.push_back(0);
        b_.back() |= static_cast<uint8_t>(v << (n_ % 8));
        ++n_;
    }
    Bytes b_;
    size_t n_ = 0;
};

// Canonical codes from lengths (RFC 1951 3.2.2), written independently of the engine.
std::vector<uint32_t> Codes(const std::vector<uint8_t>& lengths)
{
    unsigned count[16] = {};
    for (uint8_t l : lengths)
        ++count[l];
    count[0] = 0;
    uint32_t next[16] = {}, code = 0;
    for (unsigned b = 1; b < 16; ++b) {
        code = (code + count[b - 1]) << 1;
        next[b] = code;
    }
    std::vector<uint32_t> codes(lengths.size());
    for (size_t s = 0; s < lengths.size(); ++s)
        if (lengths[s])
            codes[s] = next[lengths[s]]++;
    return codes;
}

// A dynamic block header: HLIT/HDIST from the sizes, all 19 code-length
// codes sent, symbols 0..15 with 4-bit codes (16-18 unused).
struct TDynamic {
    std::vector<uint8_t> lit, dist;
    std::vector<uint32_t> litCode, distCode;
};

TDynamic WriteDynamicHeader(TBitWriter& w, bool final, std::vector<uint8_t> lit, std::vector<uint8_t> dist)
{
    w.Put(final ? 1 : 0, 1).Put(2, 2);
    w.Put(static_cast<uint32_t>(lit.size() - 257), 5).Put(static_cast<uint32_t>(dist.size() - 1), 5).Put(15, 4);
    static const unsigned order[19] = {16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13, 2, 14, 1, 15};
    for (unsigned k = 0; k < 19; ++k)
        w.Put(order[k] < 16 ? 4 : 0, 3);
    for (uint8_t l : lit)
        w.Code(l, 4);
    for (uint8_t l : dist)
        w.Code(l, 4);
    return {lit, dist, Codes(lit), Codes(dist)};
}

std::string CauseOf(const Bytes& stream, uint32_t options = 0)
{
    TZpDeflateHelper h;
    h.SetOptions(h.Options() | options);
    try {
        InflateBytes(stream, &h);
    } catch (const EZpInflateError& e) {
        const std::string prefix = "Inflate error, possibly a corrupted compressed stream. (Internal cause: ";
        EXPECT_EQ(std::string(e.what()).rfind(prefix, 0), 0u);
        EXPECT_EQ(std::string(e.what()), prefix + e.Cause() + ")");
        return e.Cause();
    }
    return "(no error)";
}

TEST(Inflate, SmallHandMadeStreams)
{
    struct Case {
        const char* name;
        Bytes stream;
        Bytes want;
    } cases[] = {
        {"empty fixed block", {0x03, 0x00}, {}},
        {"empty stored then empty fixed", {0x00, 0x00, 0x00, 0xFF, 0xFF, 0x03, 0x00}, {}},
        {"stored", {0x01, 0x03, 0x00, 0xFC, 0xFF, 'a', 'b', 'c'}, {'a', 'b', 'c'}},
    };
    for (const Case& c : cases) {
        uint32_t sum = 99;
        EXPECT_EQ(InflateBytes(c.stream, nullptr, &sum), c.want) << c.name;
        EXPECT_EQ(sum, ZpCrc32(c.want.data(), c.want.size())) << c.name;
    }
    TZpDeflateHelper adler;
    adler.SetOptions(adler.Options() | dfoAdler32);
    uint32_t sum = 0;
    InflateBytes({0x03, 0x00}, &adler, &sum);
    EXPECT_EQ(sum, 1u);
}

TEST(Inflate, RunOfDistanceOneRepeatsTheByte)
{
    // Fixed block: literal 'x', length 258 (symbol 285), distance 1, end.
    TBitWriter w;
    w.Put(1, 1).Put(1, 2);
    w.Code(0x30 + 'x', 8);
    w.Code(0xC0 + (285 - 280), 8).Code(0, 5);
    w.Code(0, 7);
    EXPECT_EQ(InflateBytes(w.Done()), Bytes(259, 'x'));
}

TEST(Inflate, Deflate64LengthsAndDistanceCodes)
{
    // Literal 'A', symbol 285 with 16 extra bits (Deflate64: length 3 + 997),
    // distance symbol 0; 31 distance codes (HDIST 31) with symbol 30 used.
    std::vector<uint8_t> lit(286, 0), dist(31, 0);
    lit['A'] = 1;
    lit[256] = 2;
    lit[285] = 2;
    dist[0] = 1;
    dist[30] = 1;
    TBitWriter w;
    TDynamic d = WriteDynamicHeader(w, true, lit, dist);
    w.Code(d.litCode['A'], 1);
    w.Code(d.litCode[285], 2).Put(997, 16);
    w.Code(d.distCode[0], 1);
    w.Code(d.litCode[256], 2);
    const Bytes stream = w.Done();
    TZpDeflateHelper h64;
    h64.SetOptions(h64.Options() | dfoDeflate64);
    EXPECT_EQ(InflateBytes(stream, &h64), Bytes(1001, 'A'));
    EXPECT_EQ(CauseOf(stream), "count of distance codes in dynamic block is greater than 30 [InflateDynamicBlock]");

    // The same symbols in plain Deflate: 285 is 258 with no extra bits.
    dist.resize(1);
    TBitWriter p;
    d = WriteDynamicHeader(p, true, lit, dist);
    p.Code(d.litCode['A'], 1).Code(d.litCode[285], 2).Code(d.distCode[0], 1).Code(d.litCode[256], 2);
    EXPECT_EQ(InflateBytes(p.Done()), Bytes(259, 'A'));
}

TEST(Inflate, CorruptStreamsNameTheirCause)
{
    auto dynamicWith = [](std::vector<uint8_t> lit, std::vector<uint8_t> dist, bool useLength) {
        TBitWriter w;
        TDynamic d = WriteDynamicHeader(w, true, lit, dist);
        w.Code(d.litCode['a'], d.lit['a']);
        if (useLength)
            w.Code(d.litCode[257], d.lit[257]).Put(0, 8);
        w.Code(d.litCode[256], d.lit[256]);
        return w.Done();
    };
    std::vector<uint8_t> lit(257, 0);
    lit['a'] = 1;
    lit[256] = 2;
    lit.push_back(2); // symbol 257
    std::vector<uint8_t> over = lit;
    over['b'] = 1; // three codes where two fit
    std::vector<uint8_t> noDist{0};

    TBitWriter firstRepeat;
    firstRepeat.Put(1, 1).Put(2, 2).Put(0, 5).Put(0, 5).Put(15, 4);
    // Code-length code: only symbol 16 (length 1) and symbol 0 (length 1).
    for (unsigned k = 0; k < 19; ++k)
        firstRepeat.Put(k == 0 || k == 3 ? 1 : 0, 3);
    firstRepeat.Code(1, 1).Put(0, 2); // 16 at the first position (code 1: symbol 16 sorts after 0)

    TBitWriter pastCount;
    pastCount.Put(1, 1).Put(2, 2).Put(0, 5).Put(0, 5).Put(15, 4);
    // Code-length code: symbol 18 (length 1) and symbol 0 (length 1).
    for (unsigned k = 0; k < 19; ++k)
        pastCount.Put(k == 2 || k == 3 ? 1 : 0, 3);
    for (int i = 0; i < 2; ++i)
        pastCount.Code(1, 1).Put(127, 7); // 2 x 138 zeros > 258 lengths

    struct Case {
        const char* name;
        Bytes stream;
        std::string cause;
    } cases[] = {
        {"block type 3", {0x07, 0x00}, "starting new block, but invalid block type [Inflate]"},
        {"stored length check", {0x01, 0x05, 0x00, 0x00, 0x00},
         "invalid stored block (length and NOT length do not match) [InflateStoredBlock]"},
        {"HLIT 287", TBitWriter().Put(1, 1).Put(2, 2).Put(30, 5).Put(0, 5).Put(0, 4).Put(0, 16).Done(),
         "count of literal codes in dynamic block is greater than 286 [InflateDynamicBlock]"},
        {"no distance code", dynamicWith(lit, noDist, true),
         "decoded an invalid distance symbol: greater than 29 [DecodeData]"},
        {"over-subscribed", dynamicWith(over, noDist, false),
         "over-subscribed literal/length code lengths [InflateDynamicBlock]"},
        {"repeat first", firstRepeat.Done(),
         "repeat of the previous code length at the first position {ReadLitDistCodeLengths}"},
        {"repeat past count", pastCount.Done(),
         "code length repeat runs past the count of lengths {ReadLitDistCodeLengths}"},
        {"distance before start",
         TBitWriter().Put(1, 1).Put(1, 2).Code(0x30 + 'x', 8).Code(1, 7).Code(1, 5).Code(0, 7).Done(),
         "distance reaches before the start of the decoded data [DecodeData]"},
        {"invalid length symbol", TBitWriter().Put(1, 1).Put(1, 2).Code(0xC6, 8).Done(),
         "decoded an invalid length symbol: greater than 285 [DecodeData]"},
        {"no input", {}, "no more compressed data in stream [TZpDfInBitStream.ReadBit]"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(CauseOf(c.stream), c.cause) << c.name;
    // A dynamic block without distance codes still decodes literals.
    EXPECT_EQ(InflateBytes(dynamicWith(lit, noDist, false)), Bytes{'a'});
}

TEST(Inflate, TruncatedStreamKeepsWhatWasDecoded)
{
    const Bytes data = TextBytes(200000);
    const Bytes full = DeflateWith(data, 'n');
    for (size_t cut : {full.size() / 2, full.size() - 1, size_t(1)}) {
        const Bytes part(full.begin(), full.begin() + cut);
        TMemoryStream src(part), dst;
        try {
            Inflate(&src, &dst, nullptr);
            FAIL() << "cut " << cut;
        } catch (const EZpInflateError& e) {
            // Usually the end of data; a cut inside a block header can also
            // let the zero padding decode into an invalid code first.
            if (cut == full.size() - 1) {
                EXPECT_EQ(e.Cause().rfind("no more compressed data in stream", 0), 0u) << e.Cause();
            }
        }
        EXPECT_LE(src.Position(), static_cast<int64_t>(cut));
        // Bytes decoded before the error reached the destination and are right.
        const auto& got = dst.Bytes();
        const size_t same = std::mismatch(got.begin(), got.end(), data.begin(), data.end()).first - got.begin();
        EXPECT_GE(same + 24 * 258, got.size()) << "cut " << cut; // only the zero padding may differ
        if (cut > 1000) {
            EXPECT_GT(got.size(), 1000u);
        }
    }
}

TEST(Inflate, SourceStopsAfterTheStreamAndSizesAreReported)
{
    const Bytes data = TextBytes(100000);
    for (char letter : {'0', 'f', 'n'}) {
        Bytes stream = DeflateWith(data, letter);
        const size_t packed = stream.size();
        const std::string tail = "TRAILING DATA";
        stream.insert(stream.end(), tail.begin(), tail.end());
        stream.insert(stream.begin(), {9, 9});
        TMemoryStream src(stream), dst;
        src.SetPosition(2);
        dst.Bytes() = {5};
        dst.SetPosition(1);
        TZpDeflateHelper h;
        const uint32_t crc = Inflate(&src, &dst, &h);
        EXPECT_EQ(crc, ZpCrc32(data.data(), data.size()));
        EXPECT_EQ(src.Position(), static_cast<int64_t>(2 + packed)) << letter;
        EXPECT_EQ(h.PackedSize, static_cast<int64_t>(packed));
        EXPECT_EQ(h.PlainSize, static_cast<int64_t>(data.size()));
        EXPECT_TRUE(std::equal(data.begin(), data.end(), dst.Bytes().begin() + 1));
    }
}

TEST(Inflate, StopAfterSizeAndVerifyOnly)
{
    const Bytes data = TextBytes(300000);
    const Bytes stream = DeflateWith(data, 'n');
    {
        TZpDeflateHelper h;
        h.StopAfterSize = 512;
        uint32_t sum = 7;
        const Bytes got = InflateBytes(stream, &h, &sum);
        EXPECT_EQ(sum, 0u);
        EXPECT_GE(got.size(), 512u);
        EXPECT_LT(got.size(), 512u + 258u);
        EXPECT_TRUE(std::equal(got.begin(), got.end(), data.begin()));
        EXPECT_EQ(h.PlainSize, static_cast<int64_t>(got.size()));
    }
    {
        TZpDeflateHelper h;
        h.SetOptions(h.Options() | dfoVerifyOnly);
        TMemoryStream src(stream), dst;
        EXPECT_EQ(Inflate(&src, &dst, &h), ZpCrc32(data.data(), data.size()));
        EXPECT_EQ(dst.Size(), 0);
        EXPECT_EQ(h.PlainSize, static_cast<int64_t>(data.size()));
    }
    {
        // An abort from the hook ends quietly with result 0 and the sizes.
        TZpDeflateHelper h;
        h.SourceSize = -1;
        h.PercentHook = [](int p) {
            if (p >= 50)
                throw EZpAbortProgress("Process aborted by user");
        };
        uint32_t sum = 7;
        InflateBytes(DeflateWith(RandomBytes(100000, 4), '0'), &h, &sum);
        EXPECT_EQ(sum, 0u);
        EXPECT_GT(h.PackedSize, 0);
    }
}

TEST(Inflate, GarbageNeverEscapesTheExceptionFamily)
{
    // Random bytes, and valid streams with bytes flipped, end either normally
    // or in EZpInflateError; sanitizer builds also check memory.
    std::mt19937 rng(2024);
    std::vector<Bytes> valid = {DeflateWith(TextBytes(20000), 'n'), DeflateWith(RecordBytes(300), 'x'),
                                DeflateWith(TextBytes(3000), 'f')};
    size_t errors = 0, runs = 0;
    for (int i = 0; i < 600; ++i) {
        Bytes s;
        if (i % 3 == 0) {
            s = RandomBytes(1 + rng() % 2000, rng());
        } else {
            s = valid[rng() % valid.size()];
            for (int k = 0; k < 1 + i % 4; ++k)
                s[rng() % s.size()] ^= static_cast<uint8_t>(1u << (rng() % 8));
        }
        for (uint32_t options : {0u, uint32_t(dfoDeflate64)}) {
            TZpDeflateHelper h;
            h.SetOptions(h.Options() | options | dfoVerifyOnly);
            ++runs;
            try {
                InflateBytes(s, &h);
            } catch (const EZpInflateError&) {
                ++errors;
            }
        }
    }
    EXPECT_GT(errors, runs / 4);
}

} // namespace
