#include <gtest/gtest.h>

#include <vector>

#include "platform/DosAttr.h"
#include "platform/Drives.h"
#include "platform/FileSystem.h"
#include "platform/WinFileStream.h"
#include "tests/support/TempMachine.h"

namespace {

int64_t FreeBytes(const std::string& root)
{
    int64_t available = -1, total = -1, free = -1;
    EXPECT_TRUE(GetDiskFreeSpaceEx(root, &available, &total, &free)) << root;
    EXPECT_LE(available, free);
    EXPECT_LE(free, total);
    return available;
}

void Write(const std::string& name, size_t size)
{
    TFileStream f(name, fmCreate);
    const std::vector<uint8_t> bytes(size, 0x5A);
    f.WriteBuffer(bytes);
}

} // namespace

TEST(Drives, TypesComeFromTheMap)
{
    TTempMachine machine;
    struct Case {
        const char* root;
        TDriveType type;
    };
    const Case cases[] = {
        {"A:\\", dtRemovable}, {"a:", dtRemovable}, {"C:\\", dtFixed}, {"c:\\some\\path", dtFixed},
        {"Z:\\", dtFixed},     {"B:\\", dtNoRootDir}, {"", dtFixed} /* the current folder's drive: Z: */,
        {"\\\\srv\\share\\", dtNoRootDir},
    };
    for (const Case& c : cases)
        EXPECT_EQ(GetDriveType(c.root), c.type) << c.root;
    int64_t available = 0;
    EXPECT_FALSE(GetDiskFreeSpaceEx("B:\\", &available, nullptr, nullptr));
}

TEST(Drives, DisketteFreeSpaceFallsByWholeClusters)
{
    TTempMachine machine;
    EXPECT_EQ(FreeBytes("A:\\"), 1457664);
    int64_t total = 0;
    ASSERT_TRUE(GetDiskFreeSpaceEx("A:", nullptr, &total, nullptr));
    EXPECT_EQ(total, 1457664);

    struct Step {
        const char* name;
        size_t size;
        int64_t freeAfter;
    };
    const Step steps[] = {
        {"A:\\one.bin", 1, 1457664 - 512},
        {"A:\\exact.bin", 512, 1457664 - 1024},
        {"A:\\over.bin", 513, 1457664 - 2048},
        {"A:\\empty.bin", 0, 1457664 - 2048},
    };
    for (const Step& s : steps) {
        Write(s.name, s.size);
        EXPECT_EQ(FreeBytes("A:\\"), s.freeAfter) << s.name;
    }
    ASSERT_TRUE(CreateDir("A:\\Sub"));   // a folder takes a cluster for its entries
    EXPECT_EQ(FreeBytes("A:\\"), 1457664 - 2560);
    ASSERT_TRUE(DeleteFile("A:\\over.bin"));
    EXPECT_EQ(FreeBytes("A:\\"), 1457664 - 1536);
}

TEST(Drives, AFullDisketteTakesNoMore)
{
    TTempMachine machine;
    TFileStream f("A:\\big.bin", fmCreate);
    const std::vector<uint8_t> chunk(100000, 1);
    int64_t written = 0;
    for (size_t n; (n = f.Write(chunk)) > 0;)
        written += static_cast<int64_t>(n);
    EXPECT_EQ(written, 1457664);
    EXPECT_EQ(FreeBytes("A:\\"), 0);
    // Nor can the file be grown past the medium.
    EXPECT_THROW(f.SetSize(1457664 + 1), EStreamError);
}

TEST(Drives, UnemulatedDrivesUseTheHostFileSystem)
{
    TTempMachine machine;
    const int64_t c = FreeBytes("C:\\");
    EXPECT_GT(c, 0);
    EXPECT_NE(c, 1457664);

    // A removable drive on a real mount point (a USB stick): the host's free
    // space, a label that cannot be set, no media box.
    machine.WriteMachineFile("drives.ini", "[C:]\npath=drives/C\n[U:]\ntype=removable\npath=drives/C\n");
    EXPECT_EQ(GetDriveType("U:\\"), dtRemovable);
    EXPECT_GT(FreeBytes("U:\\"), 0);
    EXPECT_FALSE(SetVolumeLabel("U:\\", "STICK"));
    EXPECT_THROW(InsertMedium('U', 2), EMachineError);
}

TEST(Drives, LabelsAreSetAndReadBack)
{
    TTempMachine machine;
    std::string label = "unset";
    ASSERT_TRUE(GetVolumeLabel("A:\\", label));
    EXPECT_EQ(label, "");
    ASSERT_TRUE(SetVolumeLabel("A:\\", "PKBACK# 001"));
    ASSERT_TRUE(GetVolumeLabel("a:", label));
    EXPECT_EQ(label, "PKBACK# 001");
    ASSERT_TRUE(SetVolumeLabel("A:\\", "backup"));
    ASSERT_TRUE(GetVolumeLabel("A:\\", label));
    EXPECT_EQ(label, "BACKUP");   // FAT keeps labels upper case

    for (const char* bad : {"TWELVE CHARS", "A*B", "X?", "a.b"})
        EXPECT_FALSE(SetVolumeLabel("A:\\", bad)) << bad;
    ASSERT_TRUE(GetVolumeLabel("A:\\", label));
    EXPECT_EQ(label, "BACKUP");

    ASSERT_TRUE(SetVolumeLabel("C:\\", "SYSTEM"));
    ASSERT_TRUE(GetVolumeLabel("C:\\", label));
    EXPECT_EQ(label, "SYSTEM");
    EXPECT_FALSE(SetVolumeLabel("B:\\", "NONE"));
    EXPECT_FALSE(GetVolumeLabel("B:\\", label));
    ASSERT_TRUE(SetVolumeLabel("A:\\", ""));
    ASSERT_TRUE(GetVolumeLabel("A:\\", label));
    EXPECT_EQ(label, "");
}

TEST(Drives, InsertingMediaSwapsTheRootAndItsLabel)
{
    TTempMachine machine;
    machine.WriteFile("A:\\PELLO.zip", "disk one");
    ASSERT_TRUE(SetVolumeLabel("A:\\", "PKBACK# 001"));
    const int64_t freeOne = FreeBytes("A:\\");

    InsertMedium('A', 2);
    EXPECT_EQ(InsertedMedium('a'), 2);
    TSearchRec rec;
    EXPECT_EQ(FindFirst("A:\\*.*", faAnyFile, rec), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(FreeBytes("A:\\"), 1457664);
    std::string label;
    ASSERT_TRUE(GetVolumeLabel("A:\\", label));
    EXPECT_EQ(label, "");
    machine.WriteFile("A:\\PELLO.zip", "disk two");
    ASSERT_TRUE(SetVolumeLabel("A:\\", "PKBACK# 002"));

    InsertMedium('A', 1);
    EXPECT_EQ(machine.ReadFile("A:\\pello.zip"), "disk one");
    EXPECT_EQ(FreeBytes("A:\\"), freeOne);
    ASSERT_TRUE(GetVolumeLabel("A:\\", label));
    EXPECT_EQ(label, "PKBACK# 001");

    const auto media = ListMedia('A');
    ASSERT_EQ(media.size(), 2u);
    EXPECT_TRUE(media[0].Inserted);
    EXPECT_EQ(media[1].Label, "PKBACK# 002");
    EXPECT_EQ(media[1].UsedBytes, 512);

    // An empty drive: still removable, but no root to search, measure, label or write.
    EjectMedium('A');
    EXPECT_EQ(InsertedMedium('A'), 0);
    EXPECT_EQ(GetDriveType("A:\\"), dtRemovable);
    EXPECT_EQ(FindFirst("A:\\*.*", faAnyFile, rec), ERROR_PATH_NOT_FOUND);
    int64_t available = 0;
    EXPECT_FALSE(GetDiskFreeSpaceEx("A:\\", &available, nullptr, nullptr));
    EXPECT_FALSE(GetVolumeLabel("A:\\", label));
    EXPECT_FALSE(SetVolumeLabel("A:\\", "X"));
    EXPECT_THROW(TFileStream("A:\\PELLO.zip", fmCreate), EFCreateError);
    EXPECT_FALSE(FileExists("A:\\PELLO.zip"));
    EXPECT_EQ(ListMedia('A').size(), 2u);
    InsertMedium('A', 1);
    EXPECT_EQ(machine.ReadFile("A:\\PELLO.zip"), "disk one");

    EXPECT_THROW(InsertMedium('C', 1), EMachineError);
    EXPECT_THROW(InsertMedium('B', 1), EMachineError);
    EXPECT_THROW(InsertMedium('A', 0), EMachineError);
}
