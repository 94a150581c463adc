#include <gtest/gtest.h>

#include <string>

#include "net/NetBuffer.h"
#include "net/NetException.h"

namespace {

std::string AsText(const std::vector<uint8_t>& bytes)
{
    return {bytes.begin(), bytes.end()};
}

std::span<const uint8_t> Bytes(const std::string& s)
{
    return {reinterpret_cast<const uint8_t*>(s.data()), s.size()};
}

} // namespace

// Many appends and removals across the compaction threshold keep the
// queue's order and content, and removal callbacks count every byte.
TEST(NetBuffer, QueueKeepsOrderThroughGrowthAndCompaction)
{
    TNetBuffer buffer;
    int64_t removed = 0;
    buffer.OnBytesRemoved = [&](int64_t n) { removed += n; };
    std::string model;
    int64_t taken = 0;
    for (int round = 0; round < 400; ++round) {
        std::string piece;
        for (int i = 0; i < 37 + round % 100; ++i)
            piece += static_cast<char>('a' + (round + i) % 26);
        buffer.Write(piece);
        model += piece;
        const int take = (round * 7) % 90;
        if (take <= buffer.Size()) {
            EXPECT_EQ(AsText(buffer.Extract(take)), model.substr(0, static_cast<size_t>(take)));
            model.erase(0, static_cast<size_t>(take));
            taken += take;
        }
    }
    EXPECT_EQ(buffer.Size(), static_cast<int>(model.size()));
    EXPECT_EQ(AsText(buffer.Extract()), model);
    EXPECT_EQ(removed, taken + static_cast<int64_t>(model.size()));
}

TEST(NetBuffer, LimitsRaiseTheirMessages)
{
    TNetBuffer buffer;
    buffer.Write("abc");
    try {
        buffer.Extract(5);
        FAIL();
    } catch (const ENetNotEnoughDataInBuffer& e) {
        EXPECT_EQ(e.Message(), "Not enough data in buffer. (5/3)");
    }
    const std::string nothing;
    EXPECT_THROW(
        {
            try {
                buffer.IndexOf(Bytes(nothing));
            } catch (const ENetException& e) {
                EXPECT_EQ(e.Message(), "Buffer terminator must be specified.");
                throw;
            }
        },
        ENetException);
    try {
        buffer.IndexOf(Bytes("b"), 3);
        FAIL();
    } catch (const ENetException& e) {
        EXPECT_EQ(e.Message(), "Buffer start position is invalid.");
    }
    EXPECT_EQ(buffer.IndexOf(Bytes("c")), 2);
    EXPECT_EQ(buffer.IndexOf(Bytes("bc"), 1), 1);
    EXPECT_EQ(buffer.IndexOf(Bytes("cd")), -1);
}
