// The options record, the log stream, the node arena and the bit bucket.
#include <gtest/gtest.h>

#include <filesystem>
#include <cstring>

#include "DeflateTestUtil.h"
#include "tests/support/FileContents.h"
#include "zip/deflate/ZpBitBkt.h"

namespace {

struct TTuning {
    uint32_t low4;
    int32_t good, chain, lazy;
};

TTuning Tuning(const TZpDeflateHelper& h)
{
    return {h.Options() & 15u, h.GoodMatchLength(), h.MaxChainProbes(), h.LazyMatchLimit()};
}

TEST(DeflateHelper, FreshRecordCarriesNWithTheValuesOf2)
{
    TZpDeflateHelper h;
    EXPECT_EQ(h.PresetLetter(), 'n');
    EXPECT_EQ(h.Options(), 15u);
    h.SetPresetLetter('N'); // same letter after lowering: nothing changes
    EXPECT_EQ(h.GoodMatchLength(), 8);
    EXPECT_EQ(h.MaxChainProbes(), 32);
    EXPECT_EQ(h.LazyMatchLimit(), 16);
    EXPECT_EQ(h.CryptCheck, -1);
    EXPECT_EQ(h.HistorySize, 32768);
}

TEST(DeflateHelper, PresetsAfterZeroSetTheTable)
{
    struct Case {
        char letter;
        TTuning want;
    } cases[] = {
        {'0', {1, 8, 32, 16}},   {'2', {15, 8, 32, 16}}, {'f', {7, 4, 32, 6}}, {'n', {15, 16, 32, 24}},
        {'N', {15, 16, 32, 24}}, {'s', {7, 4, 4, 4}},    {'x', {15, 64, 4096, 258}},
    };
    for (const Case& c : cases) {
        TZpDeflateHelper h;
        h.SetPresetLetter('0');
        h.SetPresetLetter(c.letter);
        const TTuning got = Tuning(h);
        EXPECT_EQ(got.low4, c.want.low4) << c.letter;
        EXPECT_EQ(got.good, c.want.good) << c.letter;
        EXPECT_EQ(got.chain, c.want.chain) << c.letter;
        EXPECT_EQ(got.lazy, c.want.lazy) << c.letter;
        EXPECT_EQ(h.PresetLetter(), static_cast<char>(std::tolower(c.letter)));
    }
}

TEST(DeflateHelper, FastPresetsKeepTheLazyBitAsItWas)
{
    TZpDeflateHelper h;
    h.SetPresetLetter('2');
    h.SetPresetLetter('s'); // lazy stays set from "2"
    EXPECT_EQ(h.Options() & 15u, 15u);
    h.SetPresetLetter('q'); // unknown letters change nothing
    EXPECT_EQ(h.PresetLetter(), 's');
}

TEST(DeflateHelper, SettersClampAndMarkHandTuning)
{
    struct Case {
        int32_t value, stored;
    } cases[] = {{2, 4}, {-1, -1}, {0, 4}, {-5, 4}, {100, 100}};
    for (const Case& c : cases) {
        TZpDeflateHelper h;
        h.SetMaxChainProbes(c.value);
        EXPECT_EQ(h.MaxChainProbes(), c.stored) << c.value;
        EXPECT_EQ(h.PresetLetter(), '?');
        TZpDeflateHelper g;
        g.SetGoodMatchLength(c.value);
        g.SetLazyMatchLimit(c.value);
        EXPECT_EQ(g.GoodMatchLength(), c.stored);
        EXPECT_EQ(g.LazyMatchLimit(), c.stored);
    }
    TZpDeflateHelper same;
    same.SetMaxChainProbes(32); // the current value: no change, letter kept
    same.SetOptions(15);
    EXPECT_EQ(same.PresetLetter(), 'n');
    same.SetOptions(7);
    EXPECT_EQ(same.PresetLetter(), '?');
}

TEST(DeflateHelper, CopyOptionsLeavesTheResults)
{
    TZpDeflateHelper a = Preset('x');
    a.PackedSize = 11;
    a.PlainSize = 22;
    a.StopAfterSize = 512;
    TZpDeflateHelper b;
    b.PackedSize = 1;
    b.PlainSize = 2;
    b.CopyOptions(a);
    EXPECT_EQ(b.PresetLetter(), 'x');
    EXPECT_EQ(b.MaxChainProbes(), 4096);
    EXPECT_EQ(b.StopAfterSize, 512);
    EXPECT_EQ(b.PackedSize, 1);
    EXPECT_EQ(b.PlainSize, 2);
}

TEST(Logger, WritesLinesWithCrLfAndRefusesReadingAndSeeking)
{
    const auto path = std::filesystem::temp_directory_path() / "vorn_deflate_logger_test.log";
    {
        TZpLogger log(path.string());
        log.WriteLine("DEFLATING STREAM...");
        log.WriteLine(std::string(5000, 'x')); // crosses the 4096-byte buffer
        EXPECT_EQ(log.Seek(0, soFromEnd), 19 + 2 + 5000 + 2);
        uint8_t b[1];
        EXPECT_THROW(log.Read(b), EZpAssertionFailed);
        EXPECT_THROW(log.Seek(1, soFromBeginning), EZpAssertionFailed);
    }
    EXPECT_EQ(ReadFileText(path), "DEFLATING STREAM...\r\n" + std::string(5000, 'x') + "\r\n");
    std::filesystem::remove(path);
    EXPECT_THROW(TZpLogger(""), EZpAssertionFailed);
}

TEST(NodeManager, PagesHoldWholeNodesAndNodesAreDistinct)
{
    struct Case {
        size_t asked, size, perPage;
    } cases[] = {{16, 16, 511}, {1, 4, 2047}, {13, 16, 511}, {5000, 5000, 1}};
    for (const Case& c : cases) {
        TZpNodeManager arena(c.asked);
        EXPECT_EQ(arena.NodeSize(), c.size);
        EXPECT_EQ(arena.NodesPerPage(), c.perPage);
        std::vector<uint8_t*> nodes;
        for (size_t i = 0; i < 3 * c.perPage; ++i) {
            auto* n = static_cast<uint8_t*>(arena.AllocNode());
            std::memset(n, 0xAB, c.size); // ASan catches overlap with page links
            nodes.push_back(n);
        }
        std::sort(nodes.begin(), nodes.end());
        EXPECT_EQ(std::adjacent_find(nodes.begin(), nodes.end()), nodes.end());
    }
}

TEST(BitBucket, KeepsTheMostRecentBytes)
{
    EXPECT_EQ(TZpBitBucketStream(4096).BufferSize(), 4096u + 1024u);
    EXPECT_EQ(TZpBitBucketStream(1000).BufferSize(), 32768u + 1024u);
    TZpBitBucketStream bucket(4096);
    const Bytes data = RandomBytes(20000, 3);
    for (size_t at = 0; at < data.size(); at += 3000)
        bucket.Write(std::span(data.data() + at, std::min<size_t>(3000, data.size() - at)));
    EXPECT_EQ(bucket.Size(), 20000);
    EXPECT_EQ(bucket.Position(), 20000);
    bucket.Seek(-4000, soFromEnd);
    Bytes back(4000);
    bucket.ReadBuffer(back);
    EXPECT_TRUE(std::equal(back.begin(), back.end(), data.end() - 4000));
    EXPECT_THROW(bucket.Seek(20000 - 5120, soFromBeginning), EZpBBSSeekOutsideBuffer);
    EXPECT_THROW(bucket.Seek(20001, soFromBeginning), EZpBBSSeekOutsideBuffer);
    EXPECT_THROW(bucket.Seek(0, static_cast<TSeekOrigin>(3)), EZpBBSInvalidOrigin);
    bucket.Seek(-10, soFromEnd);
    Bytes tooMany(11);
    EXPECT_THROW(bucket.Read(tooMany), EZpBBSReadTooManyBytes);
    Bytes huge(5121);
    EXPECT_THROW(bucket.Write(huge), EZpBBSWriteTooManyBytes);
}

} // namespace

namespace {

TEST(Logger, EnginesWriteTheirLogWhenAsked)
{
    const auto dir = std::filesystem::temp_directory_path();
    const auto deflateLog = dir / "vorn_deflate_engine_test_d.log";
    const auto inflateLog = dir / "vorn_deflate_engine_test_i.log";
    TZpDeflateHelper d = Preset('n');
    d.LogFileName = deflateLog.string();
    const Bytes packed = DeflateBytes(TextBytes(1000), &d);
    EXPECT_EQ(ReadFileText(deflateLog), "DEFLATING STREAM...\r\nNeed to recompile the app with UseLogging turned on\r\n");

    TZpDeflateHelper i;
    i.LogFileName = inflateLog.string();
    EXPECT_THROW(InflateBytes({0x07}, &i), EZpInflateError);
    EXPECT_EQ(ReadFileText(inflateLog), "INFLATING STREAM...\r\nNeed to recompile the app with UseLogging turned on\r\n"
                                    "Internal exception raised: starting new block, but invalid block type [Inflate]\r\n");
    std::filesystem::remove(deflateLog);
    std::filesystem::remove(inflateLog);
}

} // namespace
