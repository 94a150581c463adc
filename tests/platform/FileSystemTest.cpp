#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <sys/stat.h>

#include "platform/DosAttr.h"
#include "platform/DosTime.h"
#include "platform/FileSystem.h"
#include "platform/WinPath.h"
#include "tests/support/TempMachine.h"

namespace {

// Names a search finds, in any order.
std::set<std::string> Search(const std::string& path, int attr)
{
    std::set<std::string> names;
    TSearchRec rec;
    for (int r = FindFirst(path, attr, rec); r == 0; r = FindNext(rec))
        names.insert(rec.Name);
    FindClose(rec);
    return names;
}

// A folder of every kind of entry the attribute filter tells apart.
struct SearchFolder : ::testing::Test {
    TTempMachine machine;
    void SetUp() override
    {
        for (const char* name : {"plain.adt", "readonly.adt", "hidden.adt", "system.adt", "archive.db", ".dotted.adt"})
            machine.WriteFile(std::string("C:\\Data\\") + name, "12345");
        machine.WriteFile("C:\\Data\\Sub.adt\\inner.adt", "x");
        ASSERT_EQ(FileSetAttr("C:\\Data\\readonly.adt", faReadOnly | faArchive), 0);
        ASSERT_EQ(FileSetAttr("C:\\Data\\hidden.adt", faHidden), 0);
        ASSERT_EQ(FileSetAttr("C:\\Data\\system.adt", faSysFile | faArchive), 0);
    }
};

} // namespace

TEST_F(SearchFolder, AttributesZeroGiveOnlyPlainFiles)
{
    EXPECT_EQ(Search("C:\\Data\\*.ad*", 0), (std::set<std::string>{"plain.adt", "readonly.adt"}));
    EXPECT_EQ(Search("c:\\data\\*.*", 0), (std::set<std::string>{"plain.adt", "readonly.adt", "archive.db"}));
}

TEST_F(SearchFolder, EachAllowedBitAddsItsEntries)
{
    struct Case {
        int attr;
        std::set<std::string> names;
    };
    const Case cases[] = {
        {faHidden, {"plain.adt", "readonly.adt", "hidden.adt", ".dotted.adt"}},
        {faSysFile, {"plain.adt", "readonly.adt", "system.adt"}},
        {faDirectory, {"plain.adt", "readonly.adt", "Sub.adt"}},
        {faAnyFile, {"plain.adt", "readonly.adt", "hidden.adt", ".dotted.adt", "system.adt", "Sub.adt"}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Search("C:\\Data\\*.adt", c.attr), c.names) << "attr " << c.attr;
}

TEST_F(SearchFolder, ReportsAttributesSizeAndTime)
{
    ASSERT_EQ(FileSetDate("C:\\Data\\plain.adt", DateTimeToFileDate({2024, 3, 14, 9, 30, 20, 0})), 0);
    TSearchRec rec;
    ASSERT_EQ(FindFirst("C:\\DATA\\PLAIN.ADT", faAnyFile, rec), 0);
    EXPECT_EQ(rec.Name, "plain.adt");
    EXPECT_EQ(rec.Size, 5);
    EXPECT_EQ(rec.Attr, faArchive);
    EXPECT_EQ(rec.Time, DateTimeToFileDate({2024, 3, 14, 9, 30, 20, 0}));
    EXPECT_EQ(FindNext(rec), ERROR_NO_MORE_FILES);
    FindClose(rec);

    ASSERT_EQ(FindFirst("C:\\Data\\readonly.adt", 0, rec), 0);
    EXPECT_EQ(rec.Attr, faReadOnly | faArchive);
}

TEST_F(SearchFolder, DotEntriesOnlyBelowARoot)
{
    EXPECT_TRUE(Search("C:\\Data\\Sub.adt\\*.*", faAnyFile).count(".."));
    EXPECT_EQ(Search("C:\\Data\\Sub.adt\\*.*", 0), (std::set<std::string>{"inner.adt"}));
    EXPECT_FALSE(Search("C:\\*.*", faAnyFile).count("."));
    EXPECT_FALSE(Search("C:\\*.*", faAnyFile).count(".."));
}

TEST_F(SearchFolder, MissingFolderAndNoMatchAreTold)
{
    TSearchRec rec;
    EXPECT_EQ(FindFirst("C:\\Nowhere\\*.*", faAnyFile, rec), ERROR_PATH_NOT_FOUND);
    EXPECT_EQ(FindFirst("C:\\Data\\*.zip", faAnyFile, rec), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(FindNext(rec), ERROR_NO_MORE_FILES);   // after a failed FindFirst
}

TEST(SearchMask, MatchesAsTheWindowsSearchDoes)
{
    struct Case {
        const char* name;
        const char* mask;
        bool match;
    };
    const Case cases[] = {
        {"CLIENTS.ADT", "*.ad*", true},   {"clients.adi", "*.AD*", true},  {"x.adt", "*.db", false},
        {"INVOICE.XG0", "*.x*", true},    {"INVOICE.YG0", "*.y*", true},   {"a.val", "*.val", true},
        {"a.value", "*.val", false},      {"noext", "*.*", true},          {"noext", "*", true},
        {"noext", "noext.*", true},       {"noext", "*.", true},           {"a.b", "*.", false},
        {"abc", "a?c", true},             {"ac", "a?c", false},            {"aXbYc", "a*b*c", true},
        {"PELLO.zip", "pello.ZIP", true}, {"Ärger.txt", "ä*", true},       {"", "*", true},
    };
    for (const Case& c : cases)
        EXPECT_EQ(MatchesMask(c.name, c.mask), c.match) << c.name << " ~ " << c.mask;
}

TEST(FileOps, DeleteRefusesFoldersAndReadOnlyFiles)
{
    TTempMachine machine;
    machine.WriteFile("C:\\D\\ro.txt", "x");
    machine.WriteFile("C:\\D\\rw.txt", "x");
    ASSERT_EQ(FileSetAttr("C:\\D\\ro.txt", faReadOnly), 0);
    EXPECT_FALSE(DeleteFile("C:\\D\\ro.txt"));
    EXPECT_TRUE(FileExists("C:\\D\\ro.txt"));
    EXPECT_FALSE(DeleteFile("C:\\D"));
    EXPECT_FALSE(DeleteFile("C:\\D\\missing.txt"));
    EXPECT_TRUE(DeleteFile("c:\\d\\RW.TXT"));
    EXPECT_FALSE(FileExists("C:\\D\\rw.txt"));
}

TEST(FileOps, CopyCarriesContentAttributesAndTime)
{
    TTempMachine machine;
    machine.WriteFile("C:\\S\\a.adt", "source bytes");
    const int32_t when = DateTimeToFileDate({2021, 7, 4, 12, 0, 0, 0});
    ASSERT_EQ(FileSetDate("C:\\S\\a.adt", when), 0);
    ASSERT_EQ(FileSetAttr("C:\\S\\a.adt", faSysFile | faArchive), 0);
    machine.WriteFile("C:\\T\\b.adt", "old");

    EXPECT_FALSE(CopyFile("C:\\S\\a.adt", "C:\\T\\b.adt", true));
    EXPECT_EQ(machine.ReadFile("C:\\T\\b.adt"), "old");
    ASSERT_TRUE(CopyFile("C:\\S\\a.adt", "C:\\T\\b.adt", false));
    EXPECT_EQ(machine.ReadFile("C:\\T\\b.adt"), "source bytes");
    EXPECT_EQ(FileAge("C:\\T\\b.adt"), when);
    EXPECT_EQ(FileGetAttr("C:\\T\\b.adt"), faSysFile | faArchive);

    // Windows refuses to copy over a read-only or hidden file; it keeps its bytes.
    for (int attr : {faReadOnly, faHidden}) {
        machine.WriteFile("C:\\T\\guarded.adt", "guarded");
        ASSERT_EQ(FileSetAttr("C:\\T\\guarded.adt", attr), 0);
        EXPECT_FALSE(CopyFile("C:\\S\\a.adt", "C:\\T\\guarded.adt", false)) << attr;
        EXPECT_EQ(machine.ReadFile("C:\\T\\guarded.adt"), "guarded");
        ASSERT_EQ(FileSetAttr("C:\\T\\guarded.adt", 0), 0);
        ASSERT_TRUE(DeleteFile("C:\\T\\guarded.adt"));
    }
    EXPECT_FALSE(CopyFile("C:\\S\\missing.adt", "C:\\T\\c.adt", false));
    EXPECT_FALSE(FileExists("C:\\T\\c.adt"));
    // No scratch copies are left behind.
    std::vector<std::string> left;
    TSearchRec rec;
    for (int r = FindFirst("C:\\T\\*.*", faHidden | faSysFile, rec); r == 0; r = FindNext(rec))
        left.push_back(rec.Name);
    EXPECT_EQ(left, std::vector<std::string>{"b.adt"});
}

TEST(FileOps, MoveNeverReplacesButMayChangeCase)
{
    TTempMachine machine;
    machine.WriteFile("C:\\M\\a.txt", "a");
    machine.WriteFile("C:\\M\\b.txt", "b");
    EXPECT_FALSE(MoveFile("C:\\M\\a.txt", "C:\\M\\B.TXT"));
    EXPECT_EQ(machine.ReadFile("C:\\M\\b.txt"), "b");
    EXPECT_TRUE(MoveFile("C:\\M\\a.txt", "C:\\M\\Sub-less.txt"));
    EXPECT_TRUE(RenameFile("C:\\M\\sub-less.txt", "C:\\M\\SUB-LESS.TXT"));
    EXPECT_EQ(*HostPathOf("C:\\M\\sub-less.txt"), machine.Folder() + "/drives/C/M/SUB-LESS.TXT");
    EXPECT_TRUE(MoveFile("C:\\M", "C:\\Moved"));
    EXPECT_TRUE(FileExists("C:\\Moved\\b.txt"));
    EXPECT_FALSE(MoveFile("C:\\Missing", "C:\\Other"));
}

TEST(FileOps, FoldersAreMadeAndRemoved)
{
    TTempMachine machine;
    EXPECT_FALSE(CreateDir("C:\\X\\Y"));        // parent missing
    EXPECT_TRUE(ForceDirectories("C:\\X\\Y\\Z\\"));
    EXPECT_TRUE(DirectoryExists("c:\\x\\y\\z"));
    EXPECT_TRUE(ForceDirectories("C:\\X\\Y"));  // already there
    EXPECT_FALSE(ForceDirectories("Q:\\X"));    // no root
    EXPECT_FALSE(RemoveDir("C:\\X"));           // not empty
    EXPECT_TRUE(RemoveDir("C:\\X\\Y\\Z"));
    EXPECT_FALSE(DirectoryExists("C:\\X\\Y\\Z"));
    machine.WriteFile("C:\\F.txt", "12");
    EXPECT_FALSE(DirectoryExists("C:\\F.txt"));
    EXPECT_EQ(FileSize("C:\\f.txt"), 2);
    EXPECT_EQ(FileSize("C:\\X"), -1);
}
