// Pure helpers: DOS date and time, the mask matcher, percentages, stored
// names and the safe extraction path of a stored name.
#include <gtest/gtest.h>

#include "zip/ZpUtils.h"

TEST(ZpDosDateTime, PacksAndUnpacksFields)
{
    struct Case {
        TZpDateTime in;
        uint16_t date, time;
        TZpDateTime back;
    } cases[] = {
        {{1980, 1, 1, 0, 0, 0}, 0x0021, 0x0000, {1980, 1, 1, 0, 0, 0}},
        {{2026, 12, 11, 11, 35, 53}, uint16_t(((2026 - 1980) << 9) | (12 << 5) | 11),
         uint16_t((11 << 11) | (35 << 5) | 26), {2026, 12, 11, 11, 35, 52}},   // odd second rounds down
        {{2107, 12, 31, 23, 59, 58}, uint16_t((127 << 9) | (12 << 5) | 31), uint16_t((23 << 11) | (59 << 5) | 29),
         {2107, 12, 31, 23, 59, 58}},
        {{1970, 6, 1, 12, 0, 0}, 0x0021, 0x0000, {1980, 1, 1, 0, 0, 0}},       // before 1980: clamped
        {{2200, 1, 1, 0, 0, 0}, uint16_t((127 << 9) | (12 << 5) | 31), uint16_t((23 << 11) | (59 << 5) | 29),
         {2107, 12, 31, 23, 59, 58}},                                            // after 2107: clamped
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ZpDosDate(c.in), c.date) << c.in.year;
        EXPECT_EQ(ZpDosTime(c.in), c.time) << c.in.year;
        EXPECT_EQ(ZpFromDos(c.date, c.time), c.back) << c.in.year;
    }
}

TEST(ZpMatchesPattern, WildcardsAgainstUpperCasedNames)
{
    struct Case {
        const char* name;
        const char* pattern;
        bool match;
    } cases[] = {
        {"README", "*.*", true},          // "*.*" matches a name without a dot
        {"README", "*", true},
        {"A.XLS", "*.X*", true},
        {"B.X", "*.X*", true},
        {"C.TXT", "*.X*", false},
        {"DATA.ADT", "*.AD*", true},
        {"DATA.DB", "*.DB", true},
        {"DATA.DBF", "*.DB", false},
        {"X.VAL", "?.VAL", true},
        {"XY.VAL", "?.VAL", false},
        {"", "", true},
        {"", "*.AD*", false},
        {"A", "", false},
        {"ABC", "A*C", true},
        {"ABCBC", "A*BC", true},          // the star must try a later tail
        {"AB", "A*B*C", false},
        {"AAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAB", "*A*A*A*A*A*A*A*A*C", false},   // no blow-up
    };
    for (const Case& c : cases)
        EXPECT_EQ(MatchesPattern(c.name, c.pattern), c.match) << c.name << " ~ " << c.pattern;
}

TEST(ZpPercent, ScalesLargeTotalsAndStaysInRange)
{
    struct Case {
        int64_t done, total;
        int percent;
    } cases[] = {
        {0, 0, 0}, {5, -1, 0}, {0, 10, 0}, {5, 10, 50}, {9, 10, 90}, {10, 10, 100}, {11, 10, 100},
        {4294967295LL / 2, 4294967295LL, 50}, {4294967295LL, 4294967295LL, 100},
        {9 * 3, 10 * 3, 90},
    };
    for (const Case& c : cases)
        EXPECT_EQ(PercentOf(c.done, c.total), c.percent) << c.done << "/" << c.total;
    // Halves go to the even neighbour.
    EXPECT_EQ(ZpRoundedPercent(1, 8), 12);    // 12.5
    EXPECT_EQ(ZpRoundedPercent(3, 8), 38);    // 37.5
    EXPECT_EQ(ZpRoundedPercent(2, 3), 67);
    EXPECT_EQ(ZpRoundedPercent(4294967295LL, 4294967295LL), 100);
}

TEST(ZpStoredName, DriveAndLeadingSeparatorGoFoldersUseSlash)
{
    struct Case {
        const char* path;
        TZpStoreOptions options;
        const char* stored;
    } cases[] = {
        {"C:\\Data\\Sub\\X.ADT", soStripDrive, "Data/Sub/X.ADT"},
        {"\\\\server\\share\\Data\\X.ADT", soStripDrive, "Data/X.ADT"},
        {"\\Data\\X.ADT", soStripDrive, "Data/X.ADT"},
        {"X.ADT", soStripDrive, "X.ADT"},
        {"..\\..\\X.ADT", soStripDrive | soRemoveDots, "X.ADT"},
        {"C:\\Data\\Sub\\X.ADT", soStripDrive | soStripPath, "X.ADT"},
        {"C:\\Data\\Sub\\", soStripDrive, "Data/Sub/"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ZpStoredNameFor(c.path, c.options), c.stored) << c.path;
}

TEST(ZpSafeRelativePath, HostileStoredNamesStayBelowTheBase)
{
    struct Case {
        const char* stored;
        const char* withFolders;
        const char* nameOnly;
    } cases[] = {
        {"data/x.adt", "data\\x.adt", "x.adt"},
        {"../../etc/passwd", "etc\\passwd", "passwd"},
        {"/etc/passwd", "etc\\passwd", "passwd"},
        {"\\windows\\win.ini", "windows\\win.ini", "win.ini"},
        {"C:\\boot.ini", "boot.ini", "boot.ini"},
        {"C:boot.ini", "boot.ini", "boot.ini"},
        {"a/C:/b.txt", "a\\C_\\b.txt", "b.txt"},
        {"a\\..\\..\\b/../c.txt", "a\\b\\c.txt", "c.txt"},
        {"\\\\server\\share\\x.txt", "x.txt", "x.txt"},
        {"dir/./x", "dir\\x", "x"},
        {".", "", ""},
        {"..", "", ""},
        {"../", "", ""},
        {"/", "", ""},
        {"", "", ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ZpSafeRelativePath(c.stored, true), c.withFolders) << c.stored;
        EXPECT_EQ(ZpSafeRelativePath(c.stored, false), c.nameOnly) << c.stored;
    }
}

TEST(ZpPaths, BaseDirectoryRuleAndJoin)
{
    EXPECT_EQ(ZpNormalizeBaseDirectory("C:\\Data\\"), "C:\\Data");
    EXPECT_EQ(ZpNormalizeBaseDirectory("C:\\"), "C:\\");
    EXPECT_EQ(ZpNormalizeBaseDirectory("\\"), "\\");
    EXPECT_EQ(ZpJoinPath("C:\\Data", "x"), "C:\\Data\\x");
    EXPECT_EQ(ZpJoinPath("C:\\", "x"), "C:\\x");
    EXPECT_EQ(ZpJoinPath("C:", "x"), "C:x");
    EXPECT_EQ(ZpJoinPath("", "x"), "x");
}

TEST(ZpPaths, ExtensionOfTheNamePartOnly)
{
    // A dot in a folder name or after a drive is no extension.
    struct Case {
        const char* path;
        const char* ext;
        const char* changed;   // extension replaced by ".Z01"
    } cases[] = {
        {"C:\\B\\SET.zip", ".zip", "C:\\B\\SET.Z01"},
        {"C:\\B\\SET.tar.zip", ".zip", "C:\\B\\SET.tar.Z01"},
        {"C:\\B.D\\SET", "", "C:\\B.D\\SET.Z01"},
        {"C:\\B\\SET.", ".", "C:\\B\\SET.Z01"},
        {"C:.x\\SET", "", "C:.x\\SET.Z01"},
        {"SET.zip", ".zip", "SET.Z01"},
        {"", "", ".Z01"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ZpExtractFileExt(c.path), c.ext) << c.path;
        EXPECT_EQ(ZpChangeFileExt(c.path, ".Z01"), c.changed) << c.path;
    }
}
