// Reading and extracting: peer archives, hostile names, damaged archives,
// what a restore puts back (data, dates, attributes).
#include <gtest/gtest.h>

#include <fstream>
#include <set>
#include <sstream>

#include "zip/ZpExcept.h"
#include "zip/ZpUnzper.h"
#include "zip/ZpUtilsFs.h"
#include "zip/ZpZipper.h"
#include "ZipRawArchive.h"
#include "ZipTestSupport.h"

using namespace ziptest;

namespace {

struct TFailure {
    std::string name;
    TZpErrorClass errorClass;
    int code;
};

class ZpUnzipperTest : public TMachineFixture {
protected:
    // Extracts everything from a host file into C:\Out (stored folders kept
    // unless junk), collecting failures.
    std::vector<TFailure> Extract(const fs::path& archive, bool restorePath = true, const std::string& base = "C:\\Out")
    {
        std::vector<TFailure> failures;
        TZpUnZipper unzipper;
        fs::create_directories(ZpHostPath(base));
        unzipper.SetBaseDirectory(base);
        unzipper.SetExtractOptions(eoCreateDirs | (restorePath ? unsigned(eoRestorePath) : 0u));
        unzipper.OnProcessItemFailure = [&](TZpBaseBrowser&, TZpArchiveItem& item, TZpProcessType, TZpErrorClass ec,
                                            int code) { failures.push_back({item.FileName(), ec, code}); };
        unzipper.SetFileName(ZpWindowsPath(archive.string()));
        unzipper.ExtractMatching("*.*");
        return failures;
    }
    fs::path Put(const std::string& name, const std::string& bytes)
    {
        WriteFile(C(name), bytes);
        return C(name);
    }
    // Every file below the machine's C: drive, relative to it.
    std::set<std::string> FilesOnC()
    {
        std::set<std::string> out;
        for (auto& e : fs::recursive_directory_iterator(root_ / "c"))
            if (e.is_regular_file())
                out.insert(fs::relative(e.path(), root_ / "c").string());
        return out;
    }
};

struct TManifestRow {
    std::string archive, entry, method, expected, notes;
    int64_t size = 0;
    std::string crc;
};

std::vector<TManifestRow> Manifest(const fs::path& file)
{
    std::vector<TManifestRow> rows;
    std::ifstream in(file);
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#' || line.rfind("archive\t", 0) == 0)
            continue;
        std::vector<std::string> f;
        std::stringstream ss(line);
        std::string field;
        while (std::getline(ss, field, '\t'))
            f.push_back(field);
        if (f.size() < 9)
            continue;
        rows.push_back({f[0], f[1], f[2], f[7], f[8], std::stoll(f[3]), f[4]});
    }
    return rows;
}

} // namespace

TEST_F(ZpUnzipperTest, PeerArchivesFromTheFixtures)
{
    const fs::path dir = SharedDir() / "fixtures" / "zip";
    if (!fs::exists(dir / "MANIFEST.tsv"))
        GTEST_SKIP() << "peer archives not found: ../shared/fixtures/zip beside the checkout is absent";
    std::map<std::string, std::vector<TManifestRow>> byArchive;
    for (auto& row : Manifest(dir / "MANIFEST.tsv"))
        byArchive[row.archive].push_back(row);
    ASSERT_FALSE(byArchive.empty());
    for (auto& [archive, rows] : byArchive) {
        SCOPED_TRACE(archive);
        const std::string base = "C:\\Out\\" + archive;
        const bool rejected = rows[0].expected == "reject-archive";
        std::vector<TFailure> failures;
        try {
            failures = Extract(dir / archive, true, base);
            EXPECT_FALSE(rejected) << "a reader without ZIP64 must refuse it";
        } catch (const EZpException& e) {
            EXPECT_TRUE(rejected) << e.what();
            continue;
        }
        std::map<std::string, int> failed;
        for (auto& f : failures)
            failed[f.name] = f.code;
        for (auto& row : rows) {
            SCOPED_TRACE(row.entry);
            const bool legacy = row.method.find("(8)") == std::string::npos &&
                                row.method.find("(9)") == std::string::npos && row.method.find("(0)") == std::string::npos;
            const bool encrypted = row.notes.find("encryption") != std::string::npos;
            const fs::path out = root_ / "c" / "Out" / archive / row.entry;
            if (legacy) {
                EXPECT_EQ(failed[row.entry], int(zmcInvalidMethod));
            } else if (encrypted) {
                EXPECT_EQ(failed[row.entry], int(zmcEncrypted));
            } else if (row.expected == "bad-crc") {
                EXPECT_EQ(failed[row.entry], 23);
                EXPECT_FALSE(fs::exists(out)) << "damaged data must not be installed";
            } else if (row.entry.back() == '/') {
                EXPECT_TRUE(fs::is_directory(out));
            } else {
                EXPECT_EQ(failed.count(row.entry), 0u);
                ASSERT_TRUE(fs::exists(out));
                EXPECT_EQ(int64_t(fs::file_size(out)), row.size);
                const std::string data = ReadFile(out);
                char crc[9];
                std::snprintf(crc, sizeof crc, "%08x",
                              ZpCrc32(reinterpret_cast<const uint8_t*>(data.data()), data.size()));
                EXPECT_EQ(crc, row.crc);
            }
        }
    }
}

TEST_F(ZpUnzipperTest, NamesAreDecodedByFlagAndHost)
{
    struct Case {
        std::string raw;
        uint16_t madeBy, flags;
        std::string expected;
    } cases[] = {
        {"caf\xC3\xA9.txt", 0x0014, kZpFlagUtf8, "caf\xC3\xA9.txt"},     // bit 11: UTF-8 as it is
        {"caf\x82.txt", 0x0014, 0, "caf\xC3\xA9.txt"},                    // MS-DOS: CP437 0x82 is é
        {"caf\xE9.txt", 0x0B14, 0, "caf\xC3\xA9.txt"},                    // NTFS: Windows-1252
        {"caf\xC3\xA9.txt", 0x0314, 0, "caf\xC3\xA9.txt"},                // Unix bytes that are UTF-8
        {"bad\xFF.txt", 0x0014, kZpFlagUtf8, "bad\xC3\xBF.txt"},          // not UTF-8 after all: ANSI
    };
    for (auto& c : cases) {
        TRawEntry e;
        e.name = c.raw;
        e.data = "x";
        e.versionMadeBy = c.madeBy;
        e.flags = c.flags;
        const fs::path zip = Put("names.zip", RawZip({e}));
        TZpUnZipper unzipper;
        unzipper.SetFileName("C:\\names.zip");
        ASSERT_EQ(unzipper.Count(), 1);
        EXPECT_EQ(unzipper.Item(0).FileName(), c.expected);
    }
}

TEST_F(ZpUnzipperTest, HostileStoredNamesNeverLeaveTheBaseFolder)
{
    const char* names[] = {"../evil1.txt", "../../evil2.txt", "/abs.txt", "\\abs2.txt", "C:\\drive.txt",
                           "C:drive2.txt", "Z:/tmp/zed.txt", "a\\..\\..\\mixed.txt", "sub/../../up.txt",
                           "ok/fine.txt", ".", "..", "./", "../"};
    std::vector<TRawEntry> entries;
    for (const char* n : names) {
        TRawEntry e;
        e.name = n;
        e.data = std::string("content of ") + n;
        entries.push_back(e);
    }
    const fs::path zip = Put("in/hostile.zip", RawZip(entries));
    for (bool restore : {true, false}) {
        SCOPED_TRACE(restore ? "with folders" : "without folders");
        fs::remove_all(C("Out"));
        const auto before = FilesOnC();
        const auto failures = Extract(zip, restore, "C:\\Out\\inner");
        for (const auto& f : FilesOnC()) {
            if (!before.count(f)) {
                EXPECT_EQ(f.rfind("Out/inner/", 0), 0u) << f << " was written outside the base folder";
            }
        }
        EXPECT_FALSE(fs::exists("/tmp/zed.txt"));
        std::set<std::string> unsafe;
        for (auto& f : failures)
            if (f.code == zmcUnsafeName)
                unsafe.insert(f.name);
        EXPECT_EQ(unsafe, (std::set<std::string>{".", ".."})) << failures.size();
        EXPECT_EQ(ReadFile(C(restore ? "Out/inner/ok/fine.txt" : "Out/inner/fine.txt")), "content of ok/fine.txt");
    }
}

TEST_F(ZpUnzipperTest, DamagedEntryIsReportedAndTheOthersAreExtracted)
{
    TRawEntry a{"a.txt", TextBytes(5000, 1), 8, 20, 20};
    TRawEntry b{"b.txt", TextBytes(50000, 2), 8, 20, 20};
    TRawEntry c{"c.txt", "stored", 0};
    std::string bytes = RawZip({a, b, c});
    const size_t at = bytes.find("b.txt") + 5 + 2000;   // inside b's deflate stream
    bytes[at] = static_cast<char>(bytes[at] ^ 0x10);
    const fs::path zip = Put("bad.zip", bytes);
    WriteFile(C("Out/b.txt"), "the user's good copy");
    const auto failures = Extract(zip);
    ASSERT_EQ(failures.size(), 1u);
    EXPECT_EQ(failures[0].name, "b.txt");
    EXPECT_EQ(failures[0].errorClass, ecEngine);
    // Either the check fails or the stream does not even decode.
    EXPECT_TRUE(failures[0].code == 23 || failures[0].code == 0) << failures[0].code;
    EXPECT_EQ(ReadFile(C("Out/a.txt")), a.data);
    EXPECT_EQ(ReadFile(C("Out/c.txt")), "stored");
    EXPECT_EQ(ReadFile(C("Out/b.txt")), "the user's good copy");

    // The tester reports the same entry without writing anything.
    TZpUnZipper unzipper;
    int reported = 0;
    unzipper.OnProcessItemFailure = [&](TZpBaseBrowser&, TZpArchiveItem&, TZpProcessType, TZpErrorClass, int) {
        ++reported;
    };
    unzipper.SetFileName("C:\\bad.zip");
    unzipper.TestMatching("*.*");
    EXPECT_EQ(reported, 1);
}

TEST_F(ZpUnzipperTest, EntryDecodingToMoreThanItsRecordIsStopped)
{
    TRawEntry bomb{"bomb.txt", std::string(2000000, 'a'), 8, 20, 20};
    bomb.declaredSize = 1000;
    const fs::path zip = Put("bomb.zip", RawZip({bomb, {"fine.txt", "fine"}}));
    const auto failures = Extract(zip);
    ASSERT_EQ(failures.size(), 1u);
    EXPECT_EQ(failures[0].name, "bomb.txt");
    EXPECT_EQ(failures[0].code, 23);
    EXPECT_FALSE(fs::exists(C("Out/bomb.txt")));
    EXPECT_EQ(ReadFile(C("Out/fine.txt")), "fine");
}

TEST_F(ZpUnzipperTest, TruncatedArchivesFailCleanly)
{
    TRawEntry a{"a.txt", TextBytes(3000, 1), 8, 20, 20};
    TRawEntry b{"dir/b.txt", RandomBytes(2000), 0};
    const std::string whole = RawZip({a, b}, {}, "comment");
    for (size_t len = 0; len < whole.size(); len += 23) {
        SCOPED_TRACE(len);
        const fs::path zip = Put("cut.zip", whole.substr(0, len));
        fs::remove_all(C("Out"));
        try {
            const auto failures = Extract(zip);
            // What opened is the full directory of a cut file; its data is missing.
            EXPECT_FALSE(failures.empty());
        } catch (const EZpException&) {
            // Refused at opening: fine.
        }
    }
    EXPECT_TRUE(true);
}

TEST_F(ZpUnzipperTest, RestoreBringsBackDateTimeAndAttributes)
{
    WriteFile(C("Data/RO.ADT"), "read only");
    WriteFile(C("Data/PLAIN.DB"), "plain");
    const uint32_t stamp = (uint32_t(ZpDosDate({2019, 3, 4, 0, 0, 0})) << 16) | ZpDosTime({2019, 3, 4, 5, 6, 8});
    ASSERT_TRUE(ZpFileSetDate("C:\\Data\\RO.ADT", stamp));
    ASSERT_TRUE(ZpFileSetAttr("C:\\Data\\RO.ADT", faReadOnly | faArchive));
    fs::create_directories(C("Backup"));
    {
        TZpZipper zipper;
        zipper.SetBaseDirectory("C:\\Data");
        zipper.SetFileName("C:\\Backup\\T.zip");
        zipper.IncludeFiles("C:\\Data\\*.*", 0);
        zipper.Close();
    }
    // Restore over an older copy, as the restore action does (no folders).
    WriteFile(C("Restore/PLAIN.DB"), "older");
    const auto failures = Extract(C("Backup/T.zip"), false, "C:\\Restore");
    EXPECT_TRUE(failures.empty());
    EXPECT_EQ(ReadFile(C("Restore/PLAIN.DB")), "plain");
    EXPECT_EQ(ReadFile(C("Restore/RO.ADT")), "read only");
    EXPECT_EQ(ZpFileGetDate("C:\\Restore\\RO.ADT"), stamp);
    EXPECT_EQ(ZpFileGetAttr("C:\\Restore\\RO.ADT") & 0x3F, int64_t(faReadOnly | faArchive));

    // A target that cannot be replaced is a failure of that item.
    const auto again = Extract(C("Backup/T.zip"), false, "C:\\Restore");
    ASSERT_EQ(again.size(), 1u);
    EXPECT_EQ(again[0].name, "Data/RO.ADT");
    EXPECT_EQ(again[0].code, int(zmcMoveFile));
}

TEST_F(ZpUnzipperTest, OverwriteConfirmationAndSameNamesInDifferentFolders)
{
    const fs::path zip = Put("two.zip", RawZip({{"x/same.txt", "first"}, {"y/same.txt", "second"}, {"keep.txt", "new"}}));
    WriteFile(C("Out/keep.txt"), "old");
    TZpUnZipper unzipper;
    unzipper.SetBaseDirectory("C:\\Out");
    unzipper.OnConfirmOverwrite = [](std::string& name, bool& confirm) {
        if (name.find("keep") != std::string::npos)
            confirm = false;
    };
    unzipper.SetFileName("C:\\two.zip");
    unzipper.ExtractMatching("*.*");
    EXPECT_EQ(ReadFile(C("Out/same.txt")), "second");   // the later one wins
    EXPECT_EQ(ReadFile(C("Out/keep.txt")), "old");
    EXPECT_FALSE(fs::exists(C("Out/x")));

    // Masks with folder parts select by folder and name.
    fs::remove_all(C("Out"));
    unzipper.SetExtractOptions(eoCreateDirs | eoRestorePath);
    unzipper.ExtractMatching("x\\*.txt; keep.*");
    EXPECT_TRUE(fs::exists(C("Out/x/same.txt")));
    EXPECT_FALSE(fs::exists(C("Out/y/same.txt")));
    EXPECT_TRUE(fs::exists(C("Out/keep.txt")));
}

TEST_F(ZpUnzipperTest, NewerVersionAndOpeningFailures)
{
    TRawEntry newer{"new.txt", "needs 4.5", 0, 20, 45};
    const fs::path zip = Put("ver.zip", RawZip({newer, {"ok.txt", "ok"}}));
    const auto failures = Extract(zip);
    ASSERT_EQ(failures.size(), 1u);
    EXPECT_STREQ(ZpMessageText(failures[0].code), "Cannot extract file - newer version required");
    EXPECT_EQ(ReadFile(C("Out/ok.txt")), "ok");

    Put("empty.zip", "");
    Put("text.zip", "just some text, no archive at all");
    Put("data.txt", RawZip({{"a", "b"}}));
    struct Case {
        const char* name;
        const char* message;
    } cases[] = {
        {"C:\\missing.zip", "File not found"},
        {"C:\\empty.zip", "Invalid Stream"},
        {"C:\\text.zip", "Unhandled Archive Type"},
        {"C:\\data.txt", "Unhandled Archive Type"},
    };
    for (auto& c : cases) {
        TZpUnZipper unzipper;
        try {
            unzipper.SetFileName(c.name);
            ADD_FAILURE() << c.name << " opened";
        } catch (const EZpException& e) {
            EXPECT_STREQ(e.what(), c.message) << c.name;
        }
    }
    TZpUnZipper none;
    EXPECT_THROW(none.ExtractMatching("*.*"), EZpNoArchive);
}

TEST_F(ZpUnzipperTest, TypeRulesByExtensionAndContent)
{
    const std::string zip = RawZip({{"a.txt", "a"}});
    Put("x.zip", zip);
    Put("x.jar", zip);
    Put("sfx.exe", RawZip({{"in-sfx.txt", "from the stub archive"}}, "MZ" + std::string(500, '\0')));
    Put("plain.exe", "MZ not an archive");
    Put("x.tar", zip);
    Put("x.cab", zip);
    Put("x.doc", zip);
    Put("marker.zip", "PK00 and nothing else");
    struct Case {
        const char* name;
        TZpArchiveType type;
    } cases[] = {
        {"C:\\x.zip", atZip}, {"C:\\X.JAR", atZip}, {"C:\\sfx.exe", atZipExe}, {"C:\\plain.exe", atUnknown},
        {"C:\\x.tar", atTar}, {"C:\\x.cab", atCab}, {"C:\\x.doc", atUnknown}, {"C:\\marker.zip", atZip},
        {"C:\\new.zip", atZip}, {"C:\\new.jar", atZip}, {"C:\\new.doc", atUnknown},
    };
    for (auto& c : cases)
        EXPECT_EQ(ZpArchiveTypeOf(c.name), c.type) << c.name;

    // A self-extracting archive is read past its stub.
    const auto failures = Extract(C("sfx.exe"));
    EXPECT_TRUE(failures.empty());
    EXPECT_EQ(ReadFile(C("Out/in-sfx.txt")), "from the stub archive");
    // A marker-led file without an end record on a fixed drive would be the
    // first image of a set; with no further images it is refused at once.
    TZpUnZipper unzipper;
    EXPECT_THROW(unzipper.SetFileName("C:\\marker.zip"), EZpFileNotFound);
}

TEST_F(ZpUnzipperTest, EndRecordSearch)
{
    const std::string plain = RawZip({{"a", "b"}});
    const std::string far = RawZip({{"a", "b"}}, {}, std::string(60000, 'c'));
    struct Case {
        const char* what;
        std::string bytes;
        bool found;
    } cases[] = {
        {"no comment", plain, true},
        {"comment", RawZip({{"a", "b"}}, {}, "a comment"), true},
        {"trailing bytes beyond the comment", RawZip({{"a", "b"}}, {}, "cmt", std::string(1536, '\0')), true},
        {"long comment, found by growing windows", far, true},
        {"prefixed data", RawZip({{"a", "b"}}, std::string(100000, 'p')), true},
        {"cut inside the end record", plain.substr(0, plain.size() - 3), false},
        {"nothing", std::string(5000, 'x'), false},
        {"tiny", "PK", false},
    };
    for (auto& c : cases) {
        TMemoryStream s(std::vector<uint8_t>(c.bytes.begin(), c.bytes.end()));
        s.SetPosition(1);
        const int64_t at = TZpZipArchive::FindEndRecord(s);
        EXPECT_EQ(at >= 0, c.found) << c.what;
        EXPECT_EQ(s.Position(), c.found ? at : 1) << c.what;
    }
    // A record whose comment would run past the end is not taken.
    std::string cut = RawZip({{"a", "b"}}, {}, "0123456789");
    cut.resize(cut.size() - 4);
    TMemoryStream s(std::vector<uint8_t>(cut.begin(), cut.end()));
    EXPECT_EQ(TZpZipArchive::FindEndRecord(s), -1);
}
