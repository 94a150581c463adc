// The item list: order, the 1021-bucket name hash without case, deletion
// keeping every chain intact.
#include <gtest/gtest.h>

#include <map>

#include "zip/ZpArcTyp.h"
#include "zip/ZpExcept.h"

namespace {

std::unique_ptr<TZpArchiveItem> Item(const std::string& name, ItemAction action = ItemAction::Add)
{
    auto item = std::make_unique<TZpArchiveItem>();
    item->SetFileName(name);
    item->Action = action;
    return item;
}

} // namespace

TEST(ZpElfHash, KnownValuesAndCaseFolding)
{
    // h = ((0*16 + 'A') * 16 + 'B') = 0x452; 0x452 % 1021 = 85
    EXPECT_EQ(ZpElfHash("AB"), 0x452u % 1021);
    EXPECT_EQ(ZpElfHash("ab"), ZpElfHash("AB"));
    EXPECT_EQ(ZpElfHash(""), 0u);
    // Long names fold the high nibble back in and stay below the bucket count.
    EXPECT_LT(ZpElfHash("DATA/SUB/A VERY LONG NAME OF A FILE.ADT"), 1021u);
}

TEST(ZpArchiveList, IndexOfIsCaseInsensitiveAndFirstInChain)
{
    TZpArchiveList list;
    list.Add(Item("Data/One.ADT"));
    list.Add(Item("Data/Two.DB"));
    list.Add(Item("data/one.adt"));   // same name again: the newest heads the chain
    EXPECT_EQ(list.Count(), 3);
    EXPECT_EQ(list.IndexOf("DATA/ONE.ADT"), 2);
    EXPECT_EQ(list.IndexOf("data/two.db"), 1);
    EXPECT_EQ(list.IndexOf("missing"), -1);
    EXPECT_TRUE(list.IsActiveDuplicate("DATA/TWO.DB"));
}

TEST(ZpArchiveList, DeletedItemsAreNotActiveDuplicates)
{
    TZpArchiveList list;
    list.Add(Item("x", ItemAction::Delete));
    EXPECT_FALSE(list.IsActiveDuplicate("X"));
    list.Add(Item("X", ItemAction::Unchanged));
    EXPECT_TRUE(list.IsActiveDuplicate("x"));
}

TEST(ZpArchiveList, DeleteKeepsChainsOfCollidingNames)
{
    // Find names that share buckets, then delete from the middle of chains.
    std::map<uint32_t, std::vector<std::string>> byBucket;
    for (int i = 0; i < 5000; ++i)
        byBucket[ZpElfHash("F" + std::to_string(i))].push_back("F" + std::to_string(i));
    std::vector<std::string> names;
    for (auto& [bucket, v] : byBucket)
        if (v.size() >= 3 && names.size() < 30)
            names.insert(names.end(), v.begin(), v.begin() + 3);
    ASSERT_GE(names.size(), 9u);
    TZpArchiveList list;
    for (const auto& n : names)
        list.Add(Item(n));
    for (size_t k = 1; k < names.size(); k += 3)
        list.Delete(list.IndexOf(names[k]));
    for (size_t k = 0; k < names.size(); ++k) {
        const int at = list.IndexOf(names[k]);
        if (k % 3 == 1) {
            EXPECT_EQ(at, -1) << names[k];
        } else {
            ASSERT_GE(at, 0) << names[k];
            EXPECT_EQ(list[at].FileName(), names[k]);
        }
    }
    list.Clear();
    EXPECT_EQ(list.Count(), 0);
    EXPECT_EQ(list.IndexOf(names[0]), -1);
}

TEST(ZpArchiveItem, SizeAboveTheLimitIsRefusedAfterStoring)
{
    TZpArchiveItem item;
    item.SetUncompressedSize(4294967295LL);
    EXPECT_EQ(item.UncompressedSize(), 4294967295LL);
    EXPECT_THROW(item.SetUncompressedSize(4294967296LL), EZpFileTooLarge);
}

TEST(ZpPadLock, CountsBalancedEntries)
{
    TZpPadLock lock;
    lock.Lock();
    lock.Lock();
    EXPECT_EQ(lock.Count(), 2);
    lock.Unlock();
    lock.Unlock();
    lock.Unlock();   // an extra leave does nothing
    EXPECT_EQ(lock.Count(), 0);
}
