#include <gtest/gtest.h>

#include "platform/CodePage.h"
#include "platform/IniFile.h"
#include "tests/support/TempMachine.h"

TEST(IniFile, ReadsAConnectionFileByWindowsPath)
{
    TTempMachine machine;
    machine.WriteFile("C:\\Program Files\\P\\PLTConnect.ini", "[Connect]\r\nDataDir=D:\\Pellora Data\r\n");
    const TIniFile ini("c:\\program files\\p\\pltconnect.INI");
    EXPECT_EQ(ini.ReadString("connect", "DATADIR", "none"), "D:\\Pellora Data");
    EXPECT_EQ(ini.ReadString("Connect", "Other", "none"), "none");
    EXPECT_TRUE(ini.SectionExists("CONNECT"));
    EXPECT_FALSE(ini.ValueExists("Connect", "Other"));

    const TIniFile missing("C:\\Program Files\\P\\Missing.ini");
    EXPECT_EQ(missing.ReadString("Connect", "DataDir", ""), "");
    const TIniFile unmapped("Q:\\x.ini");
    EXPECT_EQ(unmapped.ReadString("Connect", "DataDir", "dflt"), "dflt");
}

TEST(IniData, ParsesAsWindowsReadsProfiles)
{
    struct Case {
        const char* text;
        const char* section;
        const char* key;
        const char* value;   // null: absent
    };
    const std::string longPath = "C:\\" + std::string(300, 'p') + "\\Data";
    const std::string longLine = "[Connect]\nDataDir=" + longPath + "\nAfter=yes\n";
    const Case cases[] = {
        {"[Connect]\nDataDir=first\nDATADIR=second\n", "Connect", "DataDir", "first"},
        {"[Connect]\nA=1\n[CONNECT]\nDataDir=later section\n", "connect", "datadir", "later section"},
        // Indented keys are keys, not continuations of the previous value.
        {"[Connect]\n    Server=x\n    DataDir=D:\\Data\n", "Connect", "DataDir", "D:\\Data"},
        {"[Connect]\n    Server=x\n    DataDir=D:\\Data\n", "Connect", "Server", "x"},
        {"  [ Connect ]  \n DataDir = D:\\Spaced \n", "Connect", "DataDir", "D:\\Spaced"},
        {"[Connect]\nDataDir=\"D:\\Quoted Path\"\n", "Connect", "DataDir", "D:\\Quoted Path"},
        {"[Connect]\nDataDir=\n", "Connect", "DataDir", ""},
        {"\xEF\xBB\xBF[Connect]\nDataDir=bom\n", "Connect", "DataDir", "bom"},
        {"[Connect]\r\nDataDir=crlf\r\n", "Connect", "DataDir", "crlf"},
        {"; comment\n# another\n[Connect]\nDataDir=x ; note\n", "Connect", "DataDir", "x"},
        {"[Connect]\ngarbage\nDataDir=after garbage\n", "Connect", "DataDir", "after garbage"},
        {"DataDir=outside\n[Connect]\n", "Connect", "DataDir", nullptr},
        {"[Connect]\nDataDir=C:\\Donn\xE9" "es\n", "Connect", "DataDir", "C:\\Donn\xC3\xA9" "es"},  // Windows-1252
        {"[Connect]\nDataDir=C:\\Donn\xC3\xA9" "es\n", "Connect", "DataDir", "C:\\Donn\xC3\xA9" "es"}, // UTF-8
        {"[Stra\xC3\x9F" "e]\nK=v\n", "STRA\xC3\x9F" "E", "k", "v"},
        {"[\xC3\xA9t\xC3\xA9]\nK=v\n", "\xC3\x89T\xC3\x89", "k", "v"},   // Latin-1 letters fold
    };
    for (const Case& c : cases) {
        const TIniData ini = TIniData::Parse(c.text);
        const auto value = ini.Value(c.section, c.key);
        if (c.value == nullptr)
            EXPECT_FALSE(value) << c.text;
        else
            EXPECT_EQ(value.value_or("<absent>"), c.value) << c.text;
    }
    // Lines longer than the parser's buffer are read whole, and the next line is intact.
    const TIniData ini = TIniData::Parse(longLine);
    EXPECT_EQ(ini.Value("Connect", "DataDir").value_or(""), longPath);
    EXPECT_EQ(ini.Value("Connect", "After").value_or(""), "yes");
    EXPECT_EQ(ini.FirstErrorLine(), 0);
    // So are overlong section headers, and the keys below them land there.
    const std::string longSection(250, 's');
    const TIniData sections = TIniData::Parse("[Short]\na=1\n[" + longSection + "]\nb=2\n");
    EXPECT_EQ(sections.Value(longSection, "b").value_or(""), "2");
    EXPECT_FALSE(sections.Value("Short", "b"));
    EXPECT_EQ(sections.FirstErrorLine(), 0);
}

TEST(IniData, KeepsOrderLinesAndTheFirstError)
{
    const TIniData ini = TIniData::Parse("[B]\nz=1\ny=2\n\n[a]\n[C]\nbad line\nx=3\nworse\n");
    EXPECT_EQ(ini.Sections(), (std::vector<std::string>{"B", "a", "C"}));
    EXPECT_TRUE(ini.HasSection("A"));   // a section without keys exists
    EXPECT_EQ(ini.Entries("b"), (std::vector<std::pair<std::string, std::string>>{{"z", "1"}, {"y", "2"}}));
    EXPECT_EQ(ini.Line("B", "y"), 3);
    EXPECT_EQ(ini.Line("C", ""), 6);
    EXPECT_EQ(ini.FirstErrorLine(), 7);
    EXPECT_EQ(ini.FirstErrorText(), "line 7: not a section, a name=value line or a comment");
}

TEST(CodePage, ConvertsBothWays)
{
    struct Case {
        TCodePage codePage;
        std::string bytes;
        std::string utf8;
    };
    const Case cases[] = {
        {cpWindows1252, "caf\xE9", "caf\xC3\xA9"},
        {cpWindows1252, "\x80 \x9F", "\xE2\x82\xAC \xC5\xB8"},              // euro sign, Y diaeresis
        {cpWindows1252, "\x81\x8D\x8F\x90\x9D", "\xC2\x81\xC2\x8D\xC2\x8F\xC2\x90\xC2\x9D"},   // unassigned bytes
        {cpOem437, "\x82\x9C\xE1", "\xC3\xA9\xC2\xA3\xC3\x9F"},            // e acute, pound, sharp s
        {cpIso8859_1, "\x80\xFF", "\xC2\x80\xC3\xBF"},
        {cpWindows1252, std::string("a\0b", 3), std::string("a\0b", 3)},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ToUtf8(c.bytes, c.codePage), c.utf8) << c.codePage;
        EXPECT_EQ(FromUtf8(c.utf8, c.codePage), c.bytes) << c.codePage;
        EXPECT_TRUE(FitsCodePage(c.utf8, c.codePage));
    }
}

TEST(CodePage, ReplacesWhatDoesNotFit)
{
    const std::string text = "x\xE2\x82\xAC\xE4\xB8\xAD\xFFy";   // euro, a CJK character, a stray byte
    EXPECT_EQ(FromUtf8(text, cpWindows1252), "x\x80??y");
    EXPECT_EQ(FromUtf8(text, cpIso8859_1, '_'), "x___y");
    EXPECT_FALSE(FitsCodePage("\xE4\xB8\xAD", cpWindows1252));
    EXPECT_FALSE(FitsCodePage("\xFF", cpWindows1252));
    EXPECT_FALSE(IsValidUtf8("\xC0\x80"));       // overlong
    EXPECT_FALSE(IsValidUtf8("\xED\xA0\x80"));   // surrogate
    EXPECT_TRUE(IsValidUtf8("\xF0\x9F\x98\x80"));
    EXPECT_EQ(OemToAnsi("\x82"), "\xE9");
    EXPECT_EQ(AnsiToOem("\xE9"), "\x82");
    EXPECT_EQ(AnsiToOem("\x80"), "?");   // no euro sign in 437
}
