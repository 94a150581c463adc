#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <unistd.h>

#include "platform/FileStream.h"

TEST(MemoryStream, WritesReadsAndSeeks)
{
    TMemoryStream s;
    const uint8_t bytes[] = {1, 2, 3, 4, 5};
    EXPECT_EQ(s.Write(bytes), 5u);
    EXPECT_EQ(s.Size(), 5);
    EXPECT_EQ(s.Seek(-2, soFromEnd), 3);
    uint8_t out[4] = {};
    EXPECT_EQ(s.Read(out), 2u);
    EXPECT_EQ(out[0], 4);
    EXPECT_EQ(s.Read(out), 0u);
    s.SetPosition(7); // a gap reads back as zeros once written past
    s.WriteBuffer(std::span<const uint8_t>(bytes, 1));
    EXPECT_EQ(s.Size(), 8);
    EXPECT_EQ(s.Bytes()[6], 0);
    EXPECT_THROW(s.Seek(-1, soFromBeginning), EStreamError);
    EXPECT_THROW(s.Seek(0, static_cast<TSeekOrigin>(3)), EStreamError);
}

TEST(MemoryStream, ReadBufferInsistsOnTheWholeCount)
{
    TMemoryStream s(std::vector<uint8_t>{9, 9});
    uint8_t out[3];
    EXPECT_THROW(s.ReadBuffer(out), EStreamError);
}

TEST(HostFileStream, CreatesCopiesAndReportsMissingFiles)
{
    const auto dir = std::filesystem::temp_directory_path() / ("vorn-stream-" + std::to_string(getpid()));
    std::filesystem::create_directories(dir);
    const std::string path = (dir / "a.bin").string();
    {
        THostFileStream f(path, fmCreate);
        TMemoryStream m(std::vector<uint8_t>(100000, 7));
        EXPECT_EQ(f.CopyFrom(m, 0), 100000);
        EXPECT_EQ(f.Size(), 100000);
    }
    THostFileStream r(path, fmOpenRead);
    EXPECT_EQ(r.Seek(0, soFromEnd), 100000);
    try {
        THostFileStream missing((dir / "none").string(), fmOpenRead, "C:\\none");
        FAIL() << "opened a missing file";
    } catch (const EFOpenError& e) {
        EXPECT_NE(std::string(e.what()).find("Cannot open file \"C:\\none\"."), std::string::npos);
    }
    std::filesystem::remove_all(dir);
}
