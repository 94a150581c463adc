#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>

#include "platform/DosAttr.h"
#include "platform/Drives.h"
#include "platform/FileSystem.h"
#include "platform/WinPath.h"
#include "tests/support/TempMachine.h"

TEST(WinPath, ResolvesEveryComponentWithoutCase)
{
    TTempMachine machine(TTempMachine::tmDemo);
    const auto host = HostPathOf("c:\\program files\\tessaroinc\\pellora\\pellorcd.exe");
    ASSERT_TRUE(host);
    EXPECT_EQ(*host, machine.Folder() + "/drives/C/Program Files/TessaroInc/Pellora/PELLORCD.EXE");
    EXPECT_TRUE(FileExists("c:\\program files\\tessaroinc\\pellora\\pellorcd.exe"));
    EXPECT_TRUE(FileExists("C:/PROGRAM FILES/TESSAROINC/PELLORA/PellorCD.exe"));
}

TEST(WinPath, ExactCaseWinsAndMissingTailKeepsItsCase)
{
    TTempMachine machine;
    // Two spellings only the host can hold apart.
    machine.WriteFile("C:\\Mix\\data.txt", "lower");
    std::ofstream(machine.Folder() + "/drives/C/Mix/DATA.TXT") << "upper";
    EXPECT_EQ(machine.ReadFile("C:\\mix\\DATA.TXT"), "upper");
    EXPECT_EQ(machine.ReadFile("C:\\MIX\\data.txt"), "lower");
    // Neither spelling written: the choice does not depend on enumeration order.
    EXPECT_EQ(*HostPathOf("C:\\mix\\Data.Txt"), machine.Folder() + "/drives/C/Mix/DATA.TXT");

    EXPECT_EQ(*HostPathOf("c:\\mix\\New Folder\\Sub\\File.TXT"),
              machine.Folder() + "/drives/C/Mix/New Folder/Sub/File.TXT");
}

TEST(WinPath, UnmappedLetterIsADriveWithoutRoot)
{
    TTempMachine machine;
    EXPECT_FALSE(HostPathOf("Q:\\anything"));
    EXPECT_EQ(GetDriveType("Q:\\"), dtNoRootDir);
    EXPECT_FALSE(FileExists("Q:\\x.txt"));
    EXPECT_FALSE(DirectoryExists("Q:\\"));
    TSearchRec rec;
    EXPECT_EQ(FindFirst("Q:\\*.*", faAnyFile, rec), ERROR_PATH_NOT_FOUND);
    EXPECT_FALSE(HostPathOf("\\\\server\\share\\x"));
    EXPECT_FALSE(HostPathOf(""));
    machine.WriteFile("C:\\x", "x");
    EXPECT_FALSE(HostPathOf(std::string("C:\\x\0.txt", 9)));   // not C:\x
    EXPECT_FALSE(FileExists(std::string("C:\\x\0.txt", 9)));
}

TEST(WinPath, ExpandsAgainstTheCurrentFolder)
{
    TTempMachine machine;
    machine.WriteFile("C:\\Work\\Sub\\f.txt", "x");
    ASSERT_TRUE(SetCurrentDir("c:\\work\\sub\\"));
    EXPECT_EQ(GetCurrentDir(), "c:\\work\\sub");
    struct Case {
        const char* in;
        const char* out;
    };
    const Case cases[] = {
        {"f.txt", "c:\\work\\sub\\f.txt"},
        {"..\\g.txt", "c:\\work\\g.txt"},
        {"..\\..\\..\\..\\g.txt", "c:\\g.txt"},   // never above the root
        {".\\a\\.\\b\\..\\c", "c:\\work\\sub\\a\\c"},
        {"\\rooted\\x", "c:\\rooted\\x"},
        {"C:rel", "C:\\work\\sub\\rel"},          // same drive: its current folder
        {"A:rel", "A:\\rel"},                      // other drive: its root
        {"A:\\", "A:\\"},
        {"d:/fwd//slashes/", "d:\\fwd\\slashes\\"},
        {"\\\\server\\share\\..\\x", "\\\\server\\x"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ExpandFileName(c.in), c.out) << c.in;
    EXPECT_TRUE(FileExists("F.TXT"));

    EXPECT_FALSE(SetCurrentDir("C:\\Work\\Missing"));
    EXPECT_FALSE(SetCurrentDir("C:\\Work\\Sub\\f.txt"));
    EXPECT_EQ(GetCurrentDir(), "c:\\work\\sub");
}

TEST(WinPath, HostPathsHaveWindowsNames)
{
    TTempMachine machine;
    EXPECT_EQ(WindowsPathOf("/tmp"), "Z:\\tmp");
    EXPECT_EQ(WindowsPathOf("/"), "Z:\\");
    // The closest mapping wins over Z:.
    EXPECT_EQ(WindowsPathOf(machine.Folder() + "/drives/C/Program Files/x"), "C:\\Program Files\\x");
    EXPECT_EQ(WindowsPathOf(machine.Folder() + "/drives/C"), "C:\\");
    EXPECT_EQ(WindowsPathOf(machine.Folder() + "/drives/A/medium1/f"), "A:\\f");
    // A folder whose name only starts like a drive's folder is not inside it.
    std::string beside = "Z:" + machine.Folder() + "/drives/Cx";
    std::replace(beside.begin(), beside.end(), '/', '\\');
    EXPECT_EQ(WindowsPathOf(machine.Folder() + "/drives/Cx"), beside);
    EXPECT_EQ(WindowsPathOf("relative/path"), "");
}
