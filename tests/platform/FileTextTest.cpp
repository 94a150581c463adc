#include <gtest/gtest.h>

#include <set>
#include <vector>

#include "platform/DosAttr.h"
#include "platform/FileName.h"
#include "platform/FileSystem.h"
#include "platform/TempFiles.h"
#include "platform/TextCase.h"
#include "platform/WinFileStream.h"
#include "tests/support/TempMachine.h"

TEST(FileName, SplitsWindowsNames)
{
    struct Case {
        const char* name;
        const char* path;
        const char* dir;
        const char* file;
        const char* ext;
        const char* drive;
    };
    const Case cases[] = {
        {"C:\\a\\b.txt", "C:\\a\\", "C:\\a", "b.txt", ".txt", "C:"},
        {"C:\\b.txt", "C:\\", "C:\\", "b.txt", ".txt", "C:"},
        {"C:b.txt", "C:", "C:", "b.txt", ".txt", "C:"},
        {"b", "", "", "b", "", ""},
        {"\\a.b\\c", "\\a.b\\", "\\a.b", "c", "", ""},
        {"\\x", "\\", "\\", "x", "", ""},
        {"\\\\srv\\share\\d\\f.tar.gz", "\\\\srv\\share\\d\\", "\\\\srv\\share\\d", "f.tar.gz", ".gz", "\\\\srv\\share"},
        {"a/b/c.zip", "a/b/", "a/b", "c.zip", ".zip", ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ExtractFilePath(c.name), c.path) << c.name;
        EXPECT_EQ(ExtractFileDir(c.name), c.dir) << c.name;
        EXPECT_EQ(ExtractFileName(c.name), c.file) << c.name;
        EXPECT_EQ(ExtractFileExt(c.name), c.ext) << c.name;
        EXPECT_EQ(ExtractFileDrive(c.name), c.drive) << c.name;
    }
    EXPECT_EQ(ChangeFileExt("C:\\a.b\\PELLO.zip", ".Z01"), "C:\\a.b\\PELLO.Z01");
    EXPECT_EQ(ChangeFileExt("C:\\a.b\\PELLO", ".zip"), "C:\\a.b\\PELLO.zip");
    EXPECT_EQ(IncludeTrailingBackslash("C:\\x"), "C:\\x\\");
    EXPECT_EQ(IncludeTrailingBackslash("C:\\x\\"), "C:\\x\\");
    EXPECT_EQ(ExcludeTrailingBackslash("C:\\x\\"), "C:\\x");
    EXPECT_TRUE(SameFileName("A:\\PELLO.zip", "a:\\pello.ZIP"));
    EXPECT_TRUE(SameFileName("\xC3\x89t\xC3\xA9", "\xC3\xA9T\xC3\x89"));
    EXPECT_FALSE(SameFileName("a.zip", "a.zi"));
    EXPECT_EQ(UpperCase("abc\xC3\xA9"), "ABC\xC3\xA9");   // ASCII only
    EXPECT_EQ(AnsiUpperCase("abc\xC3\xA9\xC3\xBF\xC3\xB7"), "ABC\xC3\x89\xC3\xBF\xC3\xB7");
    EXPECT_EQ(AnsiLowerCase("ABC\xC3\x89\xC3\x97"), "abc\xC3\xA9\xC3\x97");
}

TEST(TempFiles, UniqueNamesWithAPrefixInTheHostTempFolder)
{
    TTempMachine machine;
    ASSERT_TRUE(ForceDirectories("C:\\Temp"));
    setenv("TMPDIR", machine.HostPath("C:\\Temp").c_str(), 1);
    EXPECT_EQ(GetTempPath(), "C:\\Temp\\");   // the closest drive names it
    unsetenv("TMPDIR");
    EXPECT_EQ(GetTempPath(), "Z:\\tmp\\");

    std::set<std::string> names;
    for (int i = 0; i < 50; ++i) {
        const std::string name = GetTempFileName("c:\\temp", "VMSextra");
        ASSERT_FALSE(name.empty());
        EXPECT_EQ(name.rfind("C:\\TEMP\\VMS", 0) == 0 || name.rfind("c:\\temp\\VMS", 0) == 0, true) << name;
        EXPECT_EQ(ExtractFileExt(name), ".TMP");
        EXPECT_EQ(FileSize(name), 0);   // made, empty
        names.insert(name);
    }
    EXPECT_EQ(names.size(), 50u);
    EXPECT_EQ(GetTempFileName("C:\\Missing", "VMS"), "");
    EXPECT_EQ(GetTempFileName("Q:\\", "VMS"), "");
    EXPECT_EQ(GetTempFileName("C:\\Temp", "a\\b"), "");
    EXPECT_EQ(GetTempFileName("C:\\Temp", std::string("a\0b", 3)), "");
}

TEST(WinFileStream, OpensByWindowsPathAndHonoursReadOnly)
{
    TTempMachine machine;
    machine.WriteFile("C:\\Data\\File.ADT", "content");
    {
        TFileStream in("c:\\DATA\\file.adt", fmOpenRead, fmShareDenyWrite);
        std::vector<uint8_t> bytes(7);
        in.ReadBuffer(bytes);
        EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "content");
        EXPECT_EQ(in.FileName(), "c:\\DATA\\file.adt");
    }
    ASSERT_EQ(FileSetAttr("C:\\Data\\File.ADT", faReadOnly), 0);
    EXPECT_THROW(TFileStream("C:\\Data\\File.ADT", fmOpenWrite), EFOpenError);
    EXPECT_THROW(TFileStream("C:\\Data\\File.ADT", fmCreate), EFCreateError);
    EXPECT_NO_THROW(TFileStream("C:\\Data\\File.ADT", fmOpenRead));
    EXPECT_EQ(machine.ReadFile("C:\\Data\\File.ADT"), "content");
    try {
        TFileStream("Q:\\Nowhere\\x.zip", fmCreate);
        ADD_FAILURE() << "no exception";
    } catch (const EFCreateError& e) {
        EXPECT_EQ(e.Message(), "Cannot create file \"Q:\\Nowhere\\x.zip\". The system cannot find the path specified.");
    }
    EXPECT_THROW(TFileStream("C:\\Data\\missing.adt", fmOpenRead), EFOpenError);
    EXPECT_THROW(TFileStream("C:\\Data", fmOpenRead), EFOpenError);
}
