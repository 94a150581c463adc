// Peers as oracles: we decode what zlib and libdeflate make at every level,
// and the Deflate64 entries that 7-Zip made decode to their recorded CRC.
#include <gtest/gtest.h>
#include "DeflateTestUtil.h"
#include "tests/support/DeflatePeers.h"
#include "tests/support/FileContents.h"
#include "zip/deflate/ZpCrc32.h"

namespace {

std::vector<std::pair<const char*, Bytes>> Samples()
{
    Bytes mixed = TextBytes(30000, 5);
    const Bytes noise = RandomBytes(20000, 6);
    mixed.insert(mixed.end(), noise.begin(), noise.end());
    mixed.insert(mixed.end(), 70000, 'k');
    return {{"text", TextBytes(150000)}, {"records", RecordBytes(2000)}, {"mixed", mixed}, {"tiny", {1, 2, 3}}};
}

TEST(Peers, WeDecodeZlibLevels1To9)
{
    for (const auto& [name, data] : Samples())
        for (int level = 1; level <= 9; ++level) {
            uint32_t crc = 0;
            EXPECT_EQ(InflateBytes(ZlibDeflate(data, level), nullptr, &crc), data) << name << " level " << level;
            EXPECT_EQ(crc, ZpCrc32(data.data(), data.size()));
        }
}

TEST(Peers, WeDecodeLibdeflateLevels1To12)
{
    for (const auto& [name, data] : Samples())
        for (int level = 1; level <= 12; ++level)
            EXPECT_EQ(InflateBytes(LibdeflateDeflate(data, level)), data) << name << " level " << level;
}

TEST(Peers, CorpusFilesRoundTripAndZlibAgrees)
{
    const auto shared = SharedDir();
    if (shared.empty())
        GTEST_SKIP() << "no shared folder with the corpus beside the source tree";
    for (const auto& e : std::filesystem::directory_iterator(shared / "corpus" / "canterbury")) {
        const Bytes data = ReadFileBytes(e.path());
        const Bytes ours = DeflateWith(data, 'n');
        EXPECT_EQ(InflateBytes(ours), data) << e.path();
        Bytes back(data.size());
        EXPECT_TRUE(ZlibInflateInto(ours, back)) << e.path();
        EXPECT_EQ(back, data) << e.path();
    }
}

uint32_t Le32(const Bytes& b, size_t at)
{
    return b.at(at) | b.at(at + 1) << 8 | b.at(at + 2) << 16 | uint32_t(b.at(at + 3)) << 24;
}
uint16_t Le16(const Bytes& b, size_t at)
{
    return static_cast<uint16_t>(b.at(at) | b.at(at + 1) << 8);
}

TEST(Peers, SevenZipDeflate64EntriesDecodeToTheirCrc)
{
    const auto shared = SharedDir();
    if (shared.empty())
        GTEST_SKIP() << "no shared folder with the zip fixtures beside the source tree";
    for (const char* name : {"7z-deflate64-mx5.zip", "7z-deflate-mx5.zip"}) {
        const Bytes zip = ReadFileBytes(shared / "fixtures" / "zip" / name);
        // Walk the central directory from the end record.
        size_t eocd = zip.size() - 22;
        while (Le32(zip, eocd) != 0x06054b50)
            --eocd;
        size_t at = Le32(zip, eocd + 16);
        const unsigned entries = Le16(zip, eocd + 10);
        unsigned decoded = 0;
        for (unsigned i = 0; i < entries; ++i) {
            ASSERT_EQ(Le32(zip, at), 0x02014b50u);
            const unsigned method = Le16(zip, at + 10);
            const uint32_t crc = Le32(zip, at + 16);
            const uint32_t packed = Le32(zip, at + 20), size = Le32(zip, at + 24);
            const size_t local = Le32(zip, at + 42);
            at += 46 + Le16(zip, at + 28) + Le16(zip, at + 30) + Le16(zip, at + 32);
            if (method != 8 && method != 9)
                continue;
            const size_t data = local + 30 + Le16(zip, local + 26) + Le16(zip, local + 28);
            TMemoryStream src(Bytes(zip.begin() + data, zip.begin() + data + packed)), dst;
            TZpDeflateHelper h;
            if (method == 9)
                h.SetOptions(h.Options() | dfoDeflate64);
            EXPECT_EQ(Inflate(&src, &dst, &h), crc) << name << " entry " << i;
            EXPECT_EQ(dst.Size(), static_cast<int64_t>(size));
            EXPECT_EQ(h.PackedSize, static_cast<int64_t>(packed));
            ++decoded;
        }
        EXPECT_GT(decoded, 0u) << name;
    }
}

} // namespace
