// The scratch stream against a plain memory stream: the same bytes whatever
// is swapped, memory bounded, the swap file gone afterwards.
#include <gtest/gtest.h>

#include <filesystem>
#include <random>

#include "zip/ZpExcept.h"
#include "zip/ZpUtilsFs.h"
#include "zip/ZpVMStrm.h"
#include "ZipTestSupport.h"

using ZpVMStrmTest = ziptest::TMachineFixture;

TEST_F(ZpVMStrmTest, RandomWritesAndReadsMatchAMemoryModel)
{
    std::filesystem::create_directories(C("tmp"));
    std::string swapHost;
    {
        TZpVirtualMemoryStream vms("C:\\tmp", 5 * 4096);   // 5 pages: swapping starts early
        TMemoryStream model;
        std::mt19937 gen(7);
        std::vector<uint8_t> buf;
        for (int step = 0; step < 400; ++step) {
            const int64_t pos = gen() % 200000;
            const size_t len = gen() % 9000;
            if (gen() % 3) {
                buf.resize(len);
                for (auto& b : buf)
                    b = static_cast<uint8_t>(gen());
                vms.SetPosition(pos);
                model.SetPosition(pos);
                ASSERT_EQ(vms.Write(buf), model.Write(buf));
            } else {
                std::vector<uint8_t> a(len), b(len);
                vms.SetPosition(pos);
                model.SetPosition(pos);
                const size_t na = vms.Read(a), nb = model.Read(b);
                ASSERT_EQ(na, nb) << step;
                ASSERT_TRUE(std::equal(a.begin(), a.begin() + na, b.begin())) << step;
            }
            ASSERT_EQ(vms.Size(), model.Size());
            ASSERT_LE(vms.PagesInMemory(), 5u);
        }
        ASSERT_FALSE(vms.SwapFileName().empty());
        EXPECT_EQ(vms.SwapFileName().rfind("C:\\tmp\\VMS", 0), 0u) << vms.SwapFileName();
        swapHost = ZpHostPath(vms.SwapFileName());
        EXPECT_TRUE(std::filesystem::exists(swapHost));
    }
    EXPECT_FALSE(std::filesystem::exists(swapHost));
}

TEST_F(ZpVMStrmTest, ShrinkThenGrowReadsZeros)
{
    TZpVirtualMemoryStream vms({}, 4096);   // one page in memory
    std::vector<uint8_t> ones(3 * 4096, 1);
    vms.WriteBuffer(ones);                  // two pages reach the swap file
    vms.SetSize(5000);
    vms.SetSize(3 * 4096);
    std::vector<uint8_t> back(3 * 4096);
    vms.SetPosition(0);
    vms.ReadBuffer(back);
    for (size_t i = 0; i < back.size(); ++i)
        ASSERT_EQ(back[i], i < 5000 ? 1 : 0) << i;
}

TEST_F(ZpVMStrmTest, ReadPastEndAndBadOrigin)
{
    TZpVirtualMemoryStream vms;
    const uint8_t abc[] = {'a', 'b', 'c'};
    vms.WriteBuffer(abc);
    std::vector<uint8_t> b(10);
    vms.SetPosition(1);
    EXPECT_EQ(vms.Read(b), 2u);
    vms.SetPosition(50);
    EXPECT_EQ(vms.Read(b), 0u);
    EXPECT_EQ(vms.Seek(-1, soFromEnd), 2);
    try {
        vms.Seek(0, static_cast<TSeekOrigin>(7));
        FAIL();
    } catch (const EZpVMSInvalidOrigin& e) {
        EXPECT_STREQ(e.what(), "VMS: invalid origin 7, should be 0, 1, 2");
    }
    EXPECT_TRUE(vms.SwapFileName().empty());
}
