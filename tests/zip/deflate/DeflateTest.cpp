// The encoder: round trips for every mode over varied data, and the bytes
// and choices that are fixed for particular inputs.
#include <gtest/gtest.h>

#include <set>

#include "DeflateTestUtil.h"
#include "tests/support/DeflatePeers.h"
#include "zip/deflate/ZpAdler32.h"
#include "zip/deflate/ZpCrc32.h"

namespace {

struct TInput {
    const char* name;
    Bytes data;
};

std::vector<TInput> Inputs()
{
    std::vector<TInput> v;
    v.push_back({"empty", {}});
    v.push_back({"one byte", {0x41}});
    v.push_back({"two bytes", {0x00, 0xFF}});
    v.push_back({"three equal", {7, 7, 7}});
    v.push_back({"text 70000", TextBytes(70000)});
    v.push_back({"random 70000", RandomBytes(70000, 11)});
    v.push_back({"records", RecordBytes(3000)});
    v.push_back({"run 300000", Bytes(300000, 'z')});
    v.push_back({"zeros 100000", Bytes(100000, 0)});
    Bytes mixed = TextBytes(50000, 2);
    const Bytes noise = RandomBytes(40000, 12);
    mixed.insert(mixed.end(), noise.begin(), noise.end());
    const Bytes more = TextBytes(200000, 3);
    mixed.insert(mixed.end(), more.begin(), more.end());
    v.push_back({"text noise text", mixed});
    // Patterns with short periods exercise overlapping copies.
    Bytes periodic;
    for (int i = 0; i < 50000; ++i)
        periodic.push_back(static_cast<uint8_t>("abcdefghijk"[i % (1 + i / 5000)]));
    v.push_back({"periods", periodic});
    return v;
}

struct TMode {
    const char* name;
    TZpDeflateHelper helper;
};

std::vector<TMode> Modes()
{
    std::vector<TMode> v;
    for (char c : std::string("02fnsx"))
        v.push_back({std::string(1, c) == "0" ? "0" : "", Preset(c)});
    const char* names[] = {"0", "2", "f", "n", "s", "x"};
    for (size_t i = 0; i < 6; ++i)
        v[i].name = names[i];
    TZpDeflateHelper fixedOnly, dynamicOnly, fresh, tiny;
    fixedOnly.SetOptions(dfoStatic | dfoLazy);
    dynamicOnly.SetOptions(dfoDynamic | dfoLazy);
    tiny.SetPresetLetter('x');
    tiny.HistorySize = 1024;
    v.push_back({"fixed only", fixedOnly});
    v.push_back({"dynamic only", dynamicOnly});
    v.push_back({"fresh record", fresh});
    v.push_back({"x, 1 KiB window", tiny});
    return v;
}

// zlib's decoding of stream; two marker bytes instead when it fails.
Bytes ZlibInflate(const Bytes& stream, size_t expected)
{
    Bytes out(expected + 16);
    size_t produced = 0;
    if (!ZlibInflateInto(stream, out, &produced))
        return {0xBA, 0xD0};
    out.resize(produced);
    return out;
}

TEST(Deflate, EveryModeRoundTripsThroughOursAndZlib)
{
    for (const TInput& in : Inputs()) {
        for (TMode& m : Modes()) {
            TZpDeflateHelper h = m.helper;
            uint32_t crc = 0;
            const Bytes packed = DeflateBytes(in.data, &h, &crc);
            const std::string what = std::string(in.name) + " / " + m.name;
            EXPECT_EQ(crc, ZpCrc32(in.data.data(), in.data.size())) << what;
            EXPECT_EQ(h.PlainSize, static_cast<int64_t>(in.data.size())) << what;
            EXPECT_EQ(h.PackedSize, static_cast<int64_t>(packed.size())) << what;
            if (in.data.empty() && (m.helper.Options() & 7) == dfoStored) {
                EXPECT_TRUE(packed.empty()) << what; // stored-only writes nothing for nothing
                continue;
            }
            uint32_t back = 0;
            EXPECT_EQ(InflateBytes(packed, nullptr, &back), in.data) << what;
            EXPECT_EQ(back, crc) << what;
            EXPECT_EQ(ZlibInflate(packed, in.data.size()), in.data) << what << " (zlib)";
        }
    }
}

TEST(Deflate, EmptySourceGivesOneEmptyFinalBlock)
{
    EXPECT_EQ(DeflateWith({}, 'n'), (Bytes{0x03, 0x00}));
    TZpDeflateHelper fixedOnly;
    fixedOnly.SetOptions(dfoStatic);
    EXPECT_EQ(DeflateBytes({}, &fixedOnly), (Bytes{0x03, 0x00}));
    TZpDeflateHelper dynamicOnly;
    dynamicOnly.SetOptions(dfoDynamic);
    const Bytes dyn = DeflateBytes({}, &dynamicOnly);
    EXPECT_EQ(dyn[0] & 7, 5); // final, dynamic
    EXPECT_TRUE(InflateBytes(dyn).empty());
    EXPECT_TRUE(DeflateWith({}, '0').empty());
}

TEST(Deflate, ChecksumIsCrc32OrAdler32)
{
    const Bytes data = TextBytes(10000);
    struct Case {
        bool adler;
        Bytes in;
        uint32_t want;
    } cases[] = {
        {false, {}, 0},
        {true, {}, 1},
        {false, data, ZpCrc32(data.data(), data.size())},
        {true, data, ZpAdler32Update(1, data.data(), data.size())},
    };
    for (const Case& c : cases) {
        for (char letter : {'0', 'n'}) {
            TZpDeflateHelper h = Preset(letter);
            if (c.adler)
                h.SetOptions(h.Options() | dfoAdler32);
            uint32_t sum = 0;
            DeflateBytes(c.in, &h, &sum);
            EXPECT_EQ(sum, c.want) << letter << " adler " << c.adler << " size " << c.in.size();
        }
    }
}

TEST(Deflate, StoredOnlySplitsIntoBlocksOf65535)
{
    const Bytes data = RandomBytes(70000, 5);
    const Bytes s = DeflateWith(data, '0');
    ASSERT_EQ(s.size(), 70000u + 10);
    EXPECT_EQ(s[0], 0); // not final
    EXPECT_EQ(s[1] | s[2] << 8, 65535);
    EXPECT_EQ(s[3] | s[4] << 8, 0);
    const size_t second = 5 + 65535;
    EXPECT_EQ(s[second], 1); // final
    EXPECT_EQ(s[second + 1] | s[second + 2] << 8, 4465);
    EXPECT_EQ(s[second + 3] | s[second + 4] << 8, 4465 ^ 0xFFFF);
    EXPECT_EQ(InflateBytes(s), data);
}

TEST(Deflate, StoredOnlyTakesSourceSizeAndEndsOnAShortSource)
{
    TMemoryStream src(TextBytes(1000)), dst;
    TZpDeflateHelper h = Preset('0');
    h.SourceSize = 600; // only a positive size with a hook is kept
    h.PercentHook = [](int) {};
    Deflate(&src, &dst, &h);
    EXPECT_EQ(h.PlainSize, 600);
    EXPECT_EQ(InflateBytes(dst.Bytes()), Bytes(src.Bytes().begin(), src.Bytes().begin() + 600));

    // A source that ends before the expected count still gets a final block.
    TMemoryStream shortSrc(TextBytes(100)), out;
    TZpDeflateHelper g = Preset('0');
    g.SourceSize = 5000;
    g.PercentHook = [](int) {};
    Deflate(&shortSrc, &out, &g);
    EXPECT_EQ(InflateBytes(out.Bytes()), shortSrc.Bytes());
}

TEST(Deflate, CompressesFromTheSourcePosition)
{
    const Bytes data = RandomBytes(100000, 21); // stored blocks read back from the source
    for (char letter : {'0', 'n'}) {
        TMemoryStream src(data), dst;
        src.SetPosition(30000);
        dst.Bytes() = {1, 2, 3};
        dst.SetPosition(3);
        TZpDeflateHelper h = Preset(letter);
        const uint32_t crc = Deflate(&src, &dst, &h);
        EXPECT_EQ(crc, ZpCrc32(data.data() + 30000, 70000));
        EXPECT_EQ(h.PlainSize, 70000);
        EXPECT_EQ(h.PackedSize, static_cast<int64_t>(dst.Bytes().size()) - 3);
        const Bytes stream(dst.Bytes().begin() + 3, dst.Bytes().end());
        EXPECT_EQ(InflateBytes(stream), Bytes(data.begin() + 30000, data.end())) << letter;
    }
}

TEST(Deflate, StoredBlocksAcrossAPendingMatchDecodeExactly)
{
    // Incompressible stretches chosen as stored blocks, with repeated
    // snippets so that block ends fall beside pending matches.
    Bytes data;
    std::mt19937 rng(77);
    const Bytes noise = RandomBytes(400000, 78);
    for (size_t at = 0; at < noise.size(); at += 997) {
        data.insert(data.end(), noise.begin() + at, noise.begin() + std::min(noise.size(), at + 997));
        const size_t back = data.size() > 3000 ? rng() % 3000 + 4 : 0;
        if (back)
            for (int k = 0; k < 5; ++k)
                data.push_back(data[data.size() - back]);
    }
    for (char letter : {'2', 'n', 'x', 'f', 's'}) {
        const Bytes s = DeflateWith(data, letter);
        EXPECT_EQ(InflateBytes(s), data) << letter;
        EXPECT_EQ(ZlibInflate(s, data.size()), data) << letter;
        EXPECT_LT(s.size(), data.size() + data.size() / 1000) << letter; // stored, not expanded codes
    }
}

// A fixed-codes-only helper with the "n" tuning, so tokens can be read back.
std::vector<TToken> FixedTokens(const Bytes& data, TZpDeflateHelper h)
{
    h.SetOptions(dfoStatic | (h.Options() & dfoLazy));
    const Bytes s = DeflateBytes(data, &h);
    std::vector<TToken> tokens;
    EXPECT_TRUE(TFixedTokenReader(s).ReadAll(tokens));
    return tokens;
}

TEST(Deflate, TinyInputsAreLiteralsAndRunsAreLongMatches)
{
    for (const Bytes& in : {Bytes{9}, Bytes{9, 9}}) {
        const auto t = FixedTokens(in, Preset('n'));
        ASSERT_EQ(t.size(), in.size());
        for (const TToken& k : t)
            EXPECT_TRUE(k.literal);
    }
    const auto t = FixedTokens(Bytes(1 + 258 * 4, 'a'), Preset('n'));
    ASSERT_EQ(t.size(), 5u);
    EXPECT_TRUE(t[0].literal);
    for (size_t i = 1; i < 5; ++i) {
        EXPECT_FALSE(t[i].literal);
        EXPECT_EQ(t[i].value, 258u);
        EXPECT_EQ(t[i].distance, 1u);
    }
}

// Bytes with no 3-byte sequence repeated and no byte 0, as a deterministic
// stretch where no match can exist.
Bytes Matchless(size_t n, uint32_t seed)
{
    std::mt19937 rng(seed);
    std::set<uint32_t> seen;
    Bytes b;
    while (b.size() < n) {
        const uint8_t x = static_cast<uint8_t>(1 + rng() % 255);
        if (b.size() >= 2 && !seen.insert((b[b.size() - 2] << 16) | (b[b.size() - 1] << 8) | x).second)
            continue;
        b.push_back(x);
    }
    return b;
}

TEST(Deflate, ThreeByteMatchesFartherThan4096AreNotUsed)
{
    for (uint32_t distance : {4096u, 4097u}) {
        Bytes data = Matchless(distance + 100, 31);
        // The 3 bytes at the start appear again at `distance`, followed by a
        // byte that ends the match.
        for (int k = 0; k < 3; ++k)
            data[distance + k] = data[k];
        data[distance + 3] = static_cast<uint8_t>(data[3] ^ 0x80);
        // Any accidental new 3-byte repeat would spoil the setup.
        std::set<uint32_t> seen;
        size_t repeats = 0;
        for (size_t i = 0; i + 2 < data.size(); ++i)
            repeats += !seen.insert((data[i] << 16) | (data[i + 1] << 8) | data[i + 2]).second;
        ASSERT_EQ(repeats, 1u);
        size_t matches = 0;
        for (const TToken& k : FixedTokens(data, Preset('n')))
            if (!k.literal) {
                ++matches;
                EXPECT_EQ(k.value, 3u);
                EXPECT_EQ(k.distance, distance);
            }
        EXPECT_EQ(matches, distance == 4096 ? 1u : 0u) << "distance " << distance;
    }
}

// Hand-tuned helper values ('?', so no doubling).
TZpDeflateHelper Tuned(int32_t good, int32_t chain, int32_t lazy)
{
    TZpDeflateHelper h;
    h.SetGoodMatchLength(good);
    h.SetMaxChainProbes(chain);
    h.SetLazyMatchLimit(lazy);
    h.SetOptions(h.Options() ^ dfoAdler32); // '?' even when the values were the current ones
    h.SetOptions(h.Options() ^ dfoAdler32);
    return h;
}

TEST(Deflate, NormalPresetDoublesItsTuningAfter1024CleanBytes)
{
    // 1024 literal-only bytes, then text where the chain and lazy limits
    // change the choice of matches. Hand-tuned records carry '?' and never
    // double, so they show which tuning the preset worked with.
    const Bytes text = TextBytes(60000, 9);
    Bytes clean = Matchless(1024, 41);
    clean.insert(clean.end(), text.begin(), text.end());
    Bytes dirty = clean;
    dirty[500] = 0; // a literal of byte 0 in the first 1024 bytes

    auto packed = [](const Bytes& d, TZpDeflateHelper h) { return DeflateBytes(d, &h); };
    const Bytes doubled = packed(clean, Tuned(32, 64, 48));
    ASSERT_NE(doubled, packed(clean, Tuned(16, 32, 24))); // the input tells the tunings apart
    ASSERT_NE(packed(dirty, Tuned(32, 64, 48)), packed(dirty, Tuned(16, 32, 24)));

    TZpDeflateHelper n = Preset('n');
    EXPECT_EQ(packed(clean, n), doubled);
    EXPECT_EQ(packed(dirty, n), packed(dirty, Tuned(16, 32, 24)));
    // Other presets never double.
    EXPECT_EQ(packed(clean, Preset('x')), packed(clean, Tuned(64, 4096, 258)));
    EXPECT_EQ(packed(clean, Preset('2')), packed(clean, Tuned(8, 32, 16)));
    // The caller's record is untouched apart from the sizes.
    TMemoryStream src(clean), dst;
    Deflate(&src, &dst, &n);
    EXPECT_EQ(n.PresetLetter(), 'n');
    EXPECT_EQ(n.GoodMatchLength(), 16);
    EXPECT_EQ(n.MaxChainProbes(), 32);
}

TEST(Deflate, ProgressHookSeesPercentagesAndCanAbort)
{
    const Bytes data = TextBytes(100000);
    std::vector<int> seen;
    TZpDeflateHelper h = Preset('n');
    h.SourceSize = -1;
    h.PercentHook = [&](int p) { seen.push_back(p); };
    DeflateBytes(data, &h);
    ASSERT_FALSE(seen.empty());
    EXPECT_TRUE(std::is_sorted(seen.begin(), seen.end()));
    EXPECT_LE(seen.back(), 100);

    TZpDeflateHelper a = Preset('n');
    a.SourceSize = -1;
    a.PackedSize = -7;
    a.PercentHook = [](int p) {
        if (p >= 50)
            throw EZpAbortProgress("Process aborted by user");
    };
    TMemoryStream src(data), dst;
    EXPECT_THROW(Deflate(&src, &dst, &a), EZpAbortProgress);
    EXPECT_EQ(a.PackedSize, -7); // no results after an abort
}

// A source whose reads fail once a given number of bytes has been read.
class TFailingSource : public TMemoryStream {
public:
    TFailingSource(std::vector<uint8_t> data, int64_t failAt) : TMemoryStream(std::move(data)), failAt_(failAt) {}
    size_t Read(std::span<uint8_t> b) override
    {
        if (Position() + static_cast<int64_t>(b.size()) > failAt_)
            throw EStreamError("read failed");
        return TMemoryStream::Read(b);
    }

private:
    int64_t failAt_;
};

// Blocks finished before an abort or a source error must reach the
// destination: the bit writer holds up to 16 KiB plus partial bits, which
// were lost when the exception left without a flush.
TEST(Deflate, EveryExitFlushesWhatTheBitWriterHolds)
{
    // Compressible text: blocks are small against the writer's 16 KiB
    // buffer, so at the failure it holds part of the output.
    const Bytes data = TextBytes(600000);
    const Bytes full = DeflateWith(data, 'n');
    struct TCase {
        const char* name;
        bool abort; // else a source read error
    };
    for (const TCase& c : {TCase{"hook abort", true}, TCase{"source read error", false}}) {
        SCOPED_TRACE(c.name);
        TZpDeflateHelper h = Preset('n');
        if (c.abort) {
            h.SourceSize = -1;
            h.PercentHook = [](int p) {
                if (p >= 74)
                    throw EZpAbortProgress("Process aborted by user");
            };
        }
        TFailingSource src(data, c.abort ? INT64_MAX : 500000);
        TMemoryStream dst;
        if (c.abort)
            EXPECT_THROW(Deflate(&src, &dst, &h), EZpAbortProgress);
        else
            EXPECT_THROW(Deflate(&src, &dst, &h), EStreamError);
        const Bytes& part = dst.Bytes();
        ASSERT_GT(part.size(), 1000u);
        ASSERT_LT(part.size(), full.size());
        // While encoding, the writer only writes out full 16 KiB buffers:
        // anything else is the remainder it held, flushed on the way out.
        EXPECT_NE(part.size() % 16384, 0u);
        // The same bytes as the complete stream up to its last, padded byte.
        EXPECT_TRUE(std::equal(part.begin(), part.end() - 1, full.begin()));
        // And they decode to a leading part of the source.
        Bytes out(data.size());
        size_t produced = 0;
        EXPECT_FALSE(ZlibInflateInto(part, out, &produced));
        EXPECT_GT(produced, 0u);
        EXPECT_TRUE(std::equal(out.begin(), out.begin() + static_cast<ptrdiff_t>(produced), data.begin()));
    }
}

// A destination that takes only part of what is offered.
class TFullStream : public TMemoryStream {
public:
    size_t Write(std::span<const uint8_t> b) override { return TMemoryStream::Write(b.first(b.size() / 2)); }
};

TEST(Deflate, ArgumentAndDestinationFailures)
{
    TMemoryStream src(TextBytes(100000));
    TFullStream full;
    try {
        Deflate(&src, &full, nullptr);
        FAIL();
    } catch (const EZpDeflateError& e) {
        EXPECT_EQ(std::string(e.what()).rfind("Deflate error. (Internal cause: ", 0), 0u) << e.what();
    }
    // The refused write is not offered again on the way out: only the half
    // of the first full buffer that was taken is there.
    EXPECT_EQ(full.Size(), 8192);
    TMemoryStream dst;
    EXPECT_THROW(Deflate(nullptr, &dst, nullptr), EZpAssertionFailed);
    EXPECT_THROW(Deflate(&src, nullptr, nullptr), EZpAssertionFailed);
    TZpDeflateHelper none;
    none.SetOptions(dfoLazy);
    try {
        Deflate(&src, &dst, &none);
        FAIL();
    } catch (const EZpAssertionFailed& e) {
        EXPECT_STREQ(e.what(), "Deflate: aHelper.Options must enable some kind of archiving");
    }
}

TEST(Deflate, Deflate64StreamsRoundTrip)
{
    // Runs longer than 258 and distances beyond 32 KiB only exist in Deflate64.
    Bytes data = RandomBytes(50000, 90);
    const Bytes again(data.begin(), data.begin() + 40000);
    data.insert(data.end(), again.begin(), again.end());
    data.insert(data.end(), 100000, 'q');
    for (char letter : {'n', 'x', 'f'}) {
        TZpDeflateHelper h = Preset(letter);
        h.SetOptions(h.Options() | dfoDeflate64);
        h.HistorySize = 65536;
        const Bytes s = DeflateBytes(data, &h);
        TZpDeflateHelper d;
        d.SetOptions(d.Options() | dfoDeflate64);
        EXPECT_EQ(InflateBytes(s, &d), data) << letter;
        EXPECT_LT(s.size(), 60000u) << letter; // the 40000-byte repeat at 50000 back was found
    }
}

} // namespace
