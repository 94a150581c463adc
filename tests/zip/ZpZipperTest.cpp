// Writing archives through the zipper, judged by our reader and by peers
// (unzip, zipinfo, 7z, Python's zipfile) where they are installed.
#include <gtest/gtest.h>

#include <map>
#include <set>

#include "platform/Drives.h"
#include "zip/ZpExcept.h"
#include "zip/ZpUnzper.h"
#include "zip/ZpUtilsFs.h"
#include "zip/ZpZipper.h"
#include "ZipTestSupport.h"

using namespace ziptest;

namespace {

const char* kMasks[] = {"*.ad*", "*.db", "*.px", "*.mb", "*.x*", "*.y*", "*.val"};

struct TFailure {
    std::string name;
    TZpProcessType process;
    TZpErrorClass errorClass;
    int code;
};

class ZpZipperTest : public TMachineFixture {
protected:
    // Backs C:\Data up the way the utility does: one IncludeFiles per mask.
    void Backup(const std::string& archive, std::vector<TFailure>* failures = nullptr)
    {
        TZpZipper zipper;
        zipper.SetBaseDirectory("C:\\Data");
        zipper.OnProcessItemFailure = [failures](TZpBaseBrowser&, TZpArchiveItem& item, TZpProcessType pt,
                                                 TZpErrorClass ec, int code) {
            if (failures)
                failures->push_back({item.FileName(), pt, ec, code});
        };
        zipper.SetFileName(archive);
        for (const char* mask : kMasks)
            zipper.IncludeFiles(std::string("C:\\Data\\") + mask, 0);
        zipper.Close();
    }

    struct TEntry {
        TZpZipDirectoryFileHeader header;
        std::string name;
    };
    std::map<std::string, TEntry> ReadEntries(const std::string& archive)
    {
        TZpUnZipper unzipper;
        unzipper.SetFileName(archive);
        std::map<std::string, TEntry> out;
        for (int i = 0; i < unzipper.Count(); ++i) {
            auto& item = static_cast<TZpZipItem&>(unzipper.Item(i));
            out[item.FileName()] = {item.Header, item.FileName()};
        }
        return out;
    }

    void ExpectPeersAccept(const fs::path& archive)
    {
        const std::string q = Quote(archive.string());
        if (HaveTool("unzip")) {
            const TRun r = RunCommand("unzip -t " + q);
            EXPECT_EQ(r.status, 0) << r.output;
        }
        if (HaveTool("zipinfo")) {
            const TRun r = RunCommand("zipinfo " + q);
            EXPECT_EQ(r.status, 0) << r.output;
        }
        if (HaveTool("7z")) {
            const TRun r = RunCommand("7z t " + q);
            EXPECT_EQ(r.status, 0) << r.output;
        }
        if (fs::exists("/usr/bin/python3")) {
            const TRun r = RunCommand("/usr/bin/python3 -c 'import sys,zipfile; z=zipfile.ZipFile(sys.argv[1]); "
                               "sys.exit(1 if z.testzip() else 0)' " + q);
            EXPECT_EQ(r.status, 0) << r.output;
        }
    }
};

} // namespace

TEST_F(ZpZipperTest, DataFolderBackupIsReadableByUsAndByPeers)
{
    std::map<std::string, std::string> wanted = {
        {"ORDERS.ADT", TextBytes(200000)}, {"ORDERS.ADI", TextBytes(3000, 3)}, {"cust.db", TextBytes(5000, 4)},
        {"form.px", "px"}, {"memo.mb", RandomBytes(70000)},   // incompressible: stored
        {"book.xls", TextBytes(100, 5)}, {"y.yg0", "y"}, {"check.val", "v"}, {"empty.adt", ""},
        {"caf\xC3\xA9.adt", "accented name"}, {"\xCE\xA9mega.adt", "no Windows-1252 form"},
        {"README", "no extension"},
    };
    const std::map<std::string, std::string> unwanted = {
        {"PROGRAM.EXE", "MZ"}, {"notes.txt", "t"}, {"hidden.adt", "h"}, {"sys.db", "s"},
    };
    for (auto& [n, d] : wanted)
        WriteFile(C("Data/" + n), d);
    for (auto& [n, d] : unwanted)
        WriteFile(C("Data/" + n), d);
    WriteFile(C("Data/Sub/inner.adt"), "subfolders are not searched");
    ASSERT_TRUE(ZpFileSetAttr("C:\\Data\\hidden.adt", faHidden | faArchive));
    ASSERT_TRUE(ZpFileSetAttr("C:\\Data\\sys.db", faSysFile | faArchive));
    fs::create_directories(C("Backup"));

    std::vector<TFailure> failures;
    Backup("C:\\Backup\\PELLO.zip", &failures);
    EXPECT_TRUE(failures.empty());

    auto entries = ReadEntries("C:\\Backup\\PELLO.zip");
    std::set<std::string> names;
    for (auto& [n, e] : entries)
        names.insert(n);
    std::set<std::string> expected;
    for (auto& [n, d] : wanted)
        if (n != "README")   // no mask matches a name without an extension
            expected.insert("Data/" + n);
    EXPECT_EQ(names, expected);

    const auto& memo = entries.at("Data/memo.mb").header;
    EXPECT_EQ(memo.CompressionMethod, 0);
    EXPECT_EQ(memo.VersionNeededToExtract, 10);
    const auto& orders = entries.at("Data/ORDERS.ADT").header;
    EXPECT_EQ(orders.CompressionMethod, 8);
    EXPECT_EQ(orders.VersionNeededToExtract, 20);
    EXPECT_EQ(orders.VersionMadeBy, 0x0014);
    const auto& empty = entries.at("Data/empty.adt").header;
    EXPECT_EQ(empty.CompressionMethod, 0);
    EXPECT_EQ(empty.Crc32, 0u);
    EXPECT_EQ(empty.CompressedSize, 0u);
    EXPECT_EQ(empty.VersionNeededToExtract, 10);
    const auto& cafe = entries.at("Data/caf\xC3\xA9.adt").header;
    EXPECT_EQ(cafe.VersionMadeBy, 0x0B14);
    EXPECT_EQ(cafe.FileName, "Data/caf\xE9.adt");   // Windows-1252 in the record
    EXPECT_EQ(cafe.GeneralPurposeFlags & kZpFlagUtf8, 0);
    EXPECT_EQ(orders.ExternalFileAttributes & 0xFF, uint32_t(faArchive));
    // A name the ANSI code page cannot hold is kept whole, as flagged UTF-8.
    const auto& omega = entries.at("Data/\xCE\xA9mega.adt").header;
    EXPECT_EQ(omega.FileName, "Data/\xCE\xA9mega.adt");
    EXPECT_NE(omega.GeneralPurposeFlags & kZpFlagUtf8, 0);
    if (fs::exists("/usr/bin/python3")) {
        const TRun r = RunCommand("/usr/bin/python3 -c 'import sys,zipfile; print(\"\\n\".join(zipfile.ZipFile(sys.argv[1]).namelist()))' " +
                                  Quote(C("Backup/PELLO.zip").string()));
        EXPECT_NE(r.output.find("Data/\xCE\xA9mega.adt"), std::string::npos) << r.output;
    }

    ExpectPeersAccept(C("Backup/PELLO.zip"));

    // Extracting brings every byte back.
    TZpUnZipper unzipper;
    fs::create_directories(C("Restore"));
    unzipper.SetBaseDirectory("C:\\Restore");
    unzipper.SetFileName("C:\\Backup\\PELLO.zip");
    unzipper.ExtractMatching("*.*");
    for (auto& [n, d] : wanted) {
        if (n != "README") {
            EXPECT_EQ(ReadFile(C("Restore/" + n)), d) << n;
        }
    }
}

TEST_F(ZpZipperTest, LargeDatabaseLikeFileRoundTrips)
{
    // 50 MB of fixed-size records: repetitive, like a table file.
    std::string table;
    table.reserve(50u << 20);
    std::mt19937 gen(11);
    char record[128];
    while (table.size() < (50u << 20)) {
        std::snprintf(record, sizeof record, "%08u|Customer %05u|%-40s|%10.2f|\r\n", unsigned(table.size() / 96),
                      unsigned(gen() % 90000), "Street of somewhere", (gen() % 1000000) / 100.0);
        table.append(record, 96);
    }
    WriteFile(C("Data/BIG.DB"), table);
    fs::create_directories(C("Backup"));
    Backup("C:\\Backup\\BIG.zip");
    const auto entries = ReadEntries("C:\\Backup\\BIG.zip");
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries.begin()->second.header.UncompressedSize, table.size());
    EXPECT_LT(entries.begin()->second.header.CompressedSize, table.size() / 3);
    ExpectPeersAccept(C("Backup/BIG.zip"));
}

TEST_F(ZpZipperTest, NoMatchingFileLeavesAnEmptyArchiveFile)
{
    WriteFile(C("Data/notes.txt"), "not a data file");
    fs::create_directories(C("Backup"));
    TZpZipper zipper;
    zipper.SetBaseDirectory("C:\\Data");
    zipper.SetFileName("C:\\Backup\\NONE.zip");
    EXPECT_TRUE(fs::exists(C("Backup/NONE.zip")));   // created at once
    EXPECT_EQ(fs::file_size(C("Backup/NONE.zip")), 0u);
    for (const char* mask : kMasks)
        zipper.IncludeFiles(std::string("C:\\Data\\") + mask, 0);
    zipper.Close();
    EXPECT_EQ(fs::file_size(C("Backup/NONE.zip")), 0u);
    // Such a file cannot be restored from.
    TZpUnZipper unzipper;
    EXPECT_THROW(unzipper.SetFileName("C:\\Backup\\NONE.zip"), EZpBadStream);
}

TEST_F(ZpZipperTest, FailuresAreReportedPerItemAndTheRestIsWritten)
{
    WriteFile(C("Data/A.ADT"), "upper");
    WriteFile(C("Data/a.adt"), "lower");        // same stored name but for case
    WriteFile(C("Data/gone.db"), "deleted before the write");
    WriteFile(C("Data/kept.db"), "kept");
    fs::create_directories(C("Backup"));
    std::vector<TFailure> failures;
    TZpZipper zipper;
    zipper.SetBaseDirectory("C:\\Data");
    zipper.OnProcessItemFailure = [&](TZpBaseBrowser&, TZpArchiveItem& item, TZpProcessType pt, TZpErrorClass ec,
                                      int code) { failures.push_back({item.FileName(), pt, ec, code}); };
    zipper.SetFileName("C:\\Backup\\F.zip");
    zipper.IncludeFiles("C:\\Data\\*.ad*", 0);
    zipper.IncludeFiles("C:\\Data\\*.db", 0);
    fs::remove(C("Data/gone.db"));
    zipper.Close();

    ASSERT_EQ(failures.size(), 2u);
    EXPECT_EQ(failures[0].process, ptAdd);
    EXPECT_EQ(failures[0].errorClass, ecEngine);
    EXPECT_EQ(failures[0].code, 7);
    EXPECT_STREQ(ZpMessageText(failures[0].code), "Cannot insert file - duplicates stored name");
    EXPECT_EQ(failures[1].name, "Data/gone.db");
    EXPECT_EQ(failures[1].errorClass, ecFileOpenError);
    EXPECT_EQ(failures[1].code, 0);
    const auto entries = ReadEntries("C:\\Backup\\F.zip");
    EXPECT_EQ(entries.size(), 2u);
    EXPECT_TRUE(entries.count("Data/kept.db"));
    ExpectPeersAccept(C("Backup/F.zip"));
}

TEST_F(ZpZipperTest, FileAboveFourGigabytesIsLeftOut)
{
    WriteFile(C("Data/HUGE.DB"), "");
    fs::resize_file(C("Data/HUGE.DB"), 4294967296ULL);   // sparse: nothing is read
    WriteFile(C("Data/SMALL.DB"), "small");
    fs::create_directories(C("Backup"));
    std::vector<TFailure> failures;
    Backup("C:\\Backup\\H.zip", &failures);
    ASSERT_EQ(failures.size(), 1u);
    EXPECT_EQ(failures[0].name, "Data/HUGE.DB");
    EXPECT_EQ(failures[0].errorClass, ecFileOpenError);
    const auto entries = ReadEntries("C:\\Backup\\H.zip");
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_TRUE(entries.count("Data/SMALL.DB"));
}

TEST_F(ZpZipperTest, AbortInItemProgressDropsOnlyThatItem)
{
    WriteFile(C("Data/DROP.ADT"), TextBytes(300000));
    WriteFile(C("Data/KEEP.DB"), TextBytes(300000, 8));
    fs::create_directories(C("Backup"));
    std::vector<TFailure> failures;
    TZpZipper zipper;
    zipper.SetBaseDirectory("C:\\Data");
    zipper.OnArchiveItemProgress = [](TZpBaseBrowser&, TZpArchiveItem& item, int, bool& abort) {
        abort = item.FileName() == "DROP.ADT";
    };
    zipper.OnProcessItemFailure = [&](TZpBaseBrowser&, TZpArchiveItem& item, TZpProcessType pt, TZpErrorClass ec,
                                      int code) { failures.push_back({item.FileName(), pt, ec, code}); };
    zipper.SetFileName("C:\\Backup\\P.zip");
    zipper.IncludeFiles("*.*", 0);
    zipper.Close();
    ASSERT_EQ(failures.size(), 1u);
    EXPECT_EQ(failures[0].name, "DROP.ADT");
    const auto entries = ReadEntries("C:\\Backup\\P.zip");
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_TRUE(entries.count("KEEP.DB"));
    ExpectPeersAccept(C("Backup/P.zip"));
}

TEST_F(ZpZipperTest, DisketteArchiveStartsWithTheSingleDiskMarker)
{
    WriteFile(C("Data/ONE.ADT"), TextBytes(20000));
    WriteFile(C("Data/TWO.DB"), "two");
    InsertMedium('A', 1);
    std::string label = "UNCHANGED";
    SetVolumeLabel("A:", label);
    Backup("A:\\PELLO.zip");
    std::string after;
    ASSERT_TRUE(GetVolumeLabel("A:", after));
    EXPECT_EQ(after, label);   // a set that fits on one disk gets no label
    const std::string bytes = ReadFile(root_ / "a" / "medium1" / "PELLO.zip");
    ASSERT_GT(bytes.size(), 4u);
    EXPECT_EQ(bytes.substr(0, 4), "PK00");
    EXPECT_EQ(bytes.substr(4, 4), std::string("PK\x03\x04", 4));
    const auto entries = ReadEntries("A:\\PELLO.zip");
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries.at("Data/ONE.ADT").header.RelativeOffsetOfLocalHeader, 4u);
    // The same file on a fixed drive is read like any single-disk archive.
    WriteFile(C("copy/PELLO.zip"), bytes);
    EXPECT_EQ(ReadEntries("C:\\copy\\PELLO.zip").size(), 2u);
    if (HaveTool("7z")) {
        const TRun r = RunCommand("7z t " + Quote(C("copy/PELLO.zip").string()));
        EXPECT_EQ(r.status, 0) << r.output;
    }
}

TEST_F(ZpZipperTest, ReopenedArchiveKeepsItsEntriesAndTakesNewOnes)
{
    WriteFile(C("Data/ONE.ADT"), TextBytes(30000));
    fs::create_directories(C("Backup"));
    {
        TZpZipper zipper;
        zipper.SetBaseDirectory("C:\\Data");
        zipper.SetFileName("C:\\Backup\\R.zip");
        zipper.IncludeFiles("ONE.ADT", 0);
        zipper.Close();
    }
    WriteFile(C("Data/TWO.DB"), TextBytes(1000, 9));
    {
        TZpZipper zipper;
        zipper.SetBaseDirectory("C:\\Data");
        zipper.SetFileName("C:\\Backup\\R.zip");
        EXPECT_EQ(zipper.Count(), 1);
        zipper.IncludeFiles("*.db", 0);   // relative to the base folder
        zipper.Close();
    }
    const auto entries = ReadEntries("C:\\Backup\\R.zip");
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_TRUE(entries.count("ONE.ADT"));
    EXPECT_TRUE(entries.count("TWO.DB"));
    ExpectPeersAccept(C("Backup/R.zip"));
}

TEST_F(ZpZipperTest, ArchiveNeverTakesItselfIn)
{
    WriteFile(C("Data/ONE.ADT"), "one");
    struct Case {
        const char* mask;
    } cases[] = {{"*.*"}, {"C:\\Data\\*.*"}, {"SELF.ZIP"}, {"C:\\DATA\\self.zip"}};
    for (auto& c : cases) {
        fs::remove(C("Data/self.zip"));
        TZpZipper zipper;
        zipper.SetBaseDirectory("C:\\Data");
        zipper.SetFileName("C:\\Data\\self.zip");
        zipper.IncludeFiles(c.mask, 0);
        for (int i = 0; i < zipper.Count(); ++i)
            EXPECT_EQ(ZpUpper(zipper.Item(i).FileName()).find("SELF.ZIP"), std::string::npos) << c.mask;
        zipper.Close();
    }
}

TEST_F(ZpZipperTest, StreamEntriesAndAbortsAndOpeningRules)
{
    fs::create_directories(C("Backup"));
    TMemoryStream source(std::vector<uint8_t>(1000, 'x'));
    {
        TZpZipper zipper;
        zipper.SetFileName("C:\\Backup\\S.zip");
        zipper.AddStream(source, "in\\memory.txt");
        zipper.Close();
    }
    auto entries = ReadEntries("C:\\Backup\\S.zip");
    ASSERT_EQ(entries.count("in/memory.txt"), 1u);
    EXPECT_EQ(entries.at("in/memory.txt").header.ExternalFileAttributes, 0u);
    EXPECT_NE(entries.at("in/memory.txt").header.LastModFileDate, 0);

    // An abort answered in archive progress ends the write.
    WriteFile(C("Data/ONE.ADT"), "one");
    TZpZipper zipper;
    zipper.SetBaseDirectory("C:\\Data");
    zipper.OnArchiveProgress = [](TZpBaseBrowser&, int, bool& abort) { abort = true; };
    zipper.SetFileName("C:\\Backup\\A.zip");
    zipper.IncludeFiles("*.adt", 0);
    try {
        zipper.Close();
        FAIL() << "no abort";
    } catch (const EZpUserAbort& e) {
        EXPECT_STREQ(e.what(), "Process aborted by user");
    }

    TZpZipper other;
    EXPECT_THROW(other.IncludeFiles("*.*", 0), EZpNoArchive);
    EXPECT_THROW(other.SetFileName("C:\\Backup\\x.txt"), EZpUnhandledType);
    other.SetBaseDirectory("C:\\Missing");
    EXPECT_THROW(other.SetFileName("C:\\Backup\\M.zip"), EZpNoSuchDirectory);
}
