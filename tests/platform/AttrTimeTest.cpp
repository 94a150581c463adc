#include <gtest/gtest.h>

#include <cstdlib>
#include <sys/stat.h>
#include <sys/xattr.h>

#include "platform/DosAttr.h"
#include "platform/DosTime.h"
#include "platform/LocalTime.h"
#include "tests/support/TempMachine.h"

TEST(DosAttr, DefaultsComeFromTheHostFile)
{
    TTempMachine machine;
    machine.WriteFile("C:\\A\\file.txt", "x");
    machine.WriteFile("C:\\A\\.profile", "x");
    EXPECT_EQ(FileGetAttr("C:\\A\\file.txt"), faArchive);
    EXPECT_EQ(FileGetAttr("C:\\A\\.profile"), faArchive | faHidden);
    EXPECT_EQ(FileGetAttr("C:\\A"), faDirectory);
    EXPECT_EQ(FileGetAttr("C:\\A\\missing"), -1);
    chmod(machine.HostPath("C:\\A\\file.txt").c_str(), 0444);
    EXPECT_EQ(FileGetAttr("C:\\A\\file.txt"), faArchive | faReadOnly);
}

TEST(DosAttr, SetBitsReadBack)
{
    TTempMachine machine;
    machine.WriteFile("C:\\A\\f.txt", "x");
    for (int attr : {0, faReadOnly, faHidden, faSysFile, faArchive, faReadOnly | faHidden | faSysFile | faArchive}) {
        ASSERT_EQ(FileSetAttr("c:\\a\\F.TXT", attr), 0) << attr;
        EXPECT_EQ(FileGetAttr("C:\\A\\f.txt"), attr) << attr;
    }
    // Read-only is the owner write bit; the other bits are the extended attribute.
    ASSERT_EQ(FileSetAttr("C:\\A\\f.txt", faReadOnly | faHidden), 0);
    struct stat st {};
    ASSERT_EQ(stat(machine.HostPath("C:\\A\\f.txt").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0222, 0u);
    char value[8] = {};
    ASSERT_GT(getxattr(machine.HostPath("C:\\A\\f.txt").c_str(), "user.dos.attrib", value, sizeof value - 1), 0);
    EXPECT_STREQ(value, "2");

    // Folders keep their directory bit and take the stored ones.
    ASSERT_EQ(FileSetAttr("C:\\A", faHidden | faDirectory), 0);
    EXPECT_EQ(FileGetAttr("C:\\A"), faHidden | faDirectory);
    // Bits beyond what the platform keeps (e.g. Unix modes in a ZIP's high word) are dropped.
    ASSERT_EQ(FileSetAttr("C:\\A\\f.txt", static_cast<int>(0x81A40000u) | faArchive), 0);
    EXPECT_EQ(FileGetAttr("C:\\A\\f.txt"), faArchive);
    EXPECT_NE(FileSetAttr("C:\\A\\missing", faArchive), 0);
}

TEST(DosTime, PacksAndUnpacks)
{
    struct Case {
        TLocalTime time;
        uint32_t packed;
    };
    const Case cases[] = {
        {{1980, 1, 1, 0, 0, 0, 0}, 0x00210000u},
        {{2024, 3, 14, 9, 30, 20, 0}, (44u << 25 | 3u << 21 | 14u << 16) | (9u << 11 | 30u << 5 | 10u)},
        {{2107, 12, 31, 23, 59, 58, 0}, 0xFF9FBF7Du},
        {{2000, 2, 29, 12, 0, 0, 0}, (20u << 25 | 2u << 21 | 29u << 16) | (12u << 11)},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(static_cast<uint32_t>(DateTimeToFileDate(c.time)), c.packed) << c.time.Year;
        const auto back = FileDateToDateTime(static_cast<int32_t>(c.packed));
        ASSERT_TRUE(back);
        EXPECT_EQ(*back, c.time);
    }
    // Odd seconds round down; out-of-range years are clamped to the DOS range.
    EXPECT_EQ(DateTimeToFileDate({2024, 3, 14, 9, 30, 21, 0}), DateTimeToFileDate({2024, 3, 14, 9, 30, 20, 0}));
    EXPECT_EQ(DateTimeToFileDate({1970, 6, 1, 0, 0, 0, 0}), 0x00210000);
    EXPECT_EQ(static_cast<uint32_t>(DateTimeToFileDate({2200, 1, 1, 0, 0, 0, 0})), 0xFF9FBF7Du);
}

TEST(DosTime, RejectsPackingsThatNameNoTime)
{
    for (uint32_t bad : {0u, 0x00200000u /* day 0 */, 0x01A10000u /* month 13 */, 0x00210000u | (24u << 11),
                         0x00210000u | (60u << 5), 0x00210000u | 30u /* second 60 */,
                         0x2A5D0000u /* Feb 29, 2001 */, 0xFFFFFFFFu})
        EXPECT_FALSE(FileDateToDateTime(static_cast<int32_t>(bad))) << std::hex << bad;
    EXPECT_TRUE(FileDateToDateTime(static_cast<int32_t>(0x285D0000u)));   // Feb 29, 2000
}

TEST(DosTime, LastWriteOfFilesGetsAndSets)
{
    TTempMachine machine;
    machine.WriteFile("C:\\T\\f.txt", "x");
    const int32_t when = DateTimeToFileDate({2019, 10, 27, 2, 30, 0, 0});
    EXPECT_EQ(FileSetDate("c:\\t\\F.txt", when), 0);
    EXPECT_EQ(FileAge("C:\\T\\f.txt"), when);
    EXPECT_EQ(FileAge("C:\\T\\missing.txt"), -1);
    EXPECT_EQ(FileAge("C:\\T"), -1);
    EXPECT_EQ(FileSetDate("C:\\T\\f.txt", 0), EINVAL);

    // Setting the date opens the file for writing: a read-only file keeps its date.
    ASSERT_EQ(FileSetAttr("C:\\T\\f.txt", faReadOnly), 0);
    EXPECT_NE(FileSetDate("C:\\T\\f.txt", DateTimeToFileDate({2001, 1, 1, 0, 0, 0, 0})), 0);
    EXPECT_EQ(FileAge("C:\\T\\f.txt"), when);
}

TEST(LocalTime, FormatsTheBackupTimeText)
{
    const TLocalTime t{2024, 3, 7, 5, 4, 9, 45};
    struct Case {
        const char* format;
        std::string text;
    };
    const std::string d(1, DateSeparator()), c(1, TimeSeparator());
    const Case cases[] = {
        {"mm/dd/yyyy hh:nn:ss", "03" + d + "07" + d + "2024 05" + c + "04" + c + "09"},
        {"m/d/yy h:n:s", "3" + d + "7" + d + "24 5" + c + "4" + c + "9"},
        {"yyyy-mm-dd 'at' hh.nn.zzz", "2024-03-07 at 05.04.045"},
        {"\"dd\" dd", "dd 07"},
    };
    for (const Case& cs : cases)
        EXPECT_EQ(FormatDateTime(cs.format, t), cs.text) << cs.format;
}

TEST(LocalTime, ConvertsBothWaysAndRefusesImpossibleDates)
{
    const TLocalTime t{2023, 6, 15, 13, 45, 30, 0};
    const auto seconds = UnixFromLocalTime(t);
    ASSERT_TRUE(seconds);
    EXPECT_EQ(LocalTimeFromUnix(*seconds), t);
    for (const TLocalTime& bad : {TLocalTime{2023, 2, 29, 0, 0, 0, 0}, TLocalTime{2023, 13, 1, 0, 0, 0, 0},
                                  TLocalTime{2023, 1, 1, 24, 0, 0, 0}})
        EXPECT_FALSE(UnixFromLocalTime(bad)) << bad.Month << "/" << bad.Day;
    const TLocalTime now = Now();
    EXPECT_GE(now.Year, 2024);
}
