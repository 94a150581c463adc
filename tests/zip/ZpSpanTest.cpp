// Spanned sets: an archive written over emulated 1.44 MB diskettes (media
// swapped by the test's answers to the disk requests, as a person swaps
// diskettes), read back the same way, and image files on a fixed drive.
#include <gtest/gtest.h>

#include <map>
#include <optional>

#include "platform/Drives.h"
#include "zip/ZpExcept.h"
#include "zip/ZpSpanSt.h"
#include "zip/ZpUnzper.h"
#include "zip/ZpUtils.h"
#include "zip/ZpUtilsFs.h"
#include "zip/ZpZipper.h"
#include "ZipTestSupport.h"

using namespace ziptest;

namespace {

constexpr int64_t kDiskette = 1457664;

uint32_t Get32(const std::string& s, size_t at)
{
    return ZpGet32(reinterpret_cast<const uint8_t*>(s.data()) + at);
}
uint16_t Get16(const std::string& s, size_t at)
{
    return ZpGet16(reinterpret_cast<const uint8_t*>(s.data()) + at);
}

// A user-interface port that records the boxes and lets the test act on
// each one before answering.
class TPromptUi : public TUiPort {
public:
    std::vector<std::string> Texts;
    std::function<TModalResult(const std::string&)> Answer = [](const std::string&) { return mrOk; };

    TModalResult MessageDlg(std::string_view text, TMsgDlgType, TMsgDlgButtons buttons) override
    {
        EXPECT_TRUE(buttons.Contains(mbOK) && buttons.Contains(mbCancel));
        Texts.emplace_back(text);
        return Answer(Texts.back());
    }
    bool Execute(TFileDialog&) override { return false; }
    void SetCursor(TCursor) override {}
    void RepaintLabel(std::string_view, std::string_view) override {}
    void ProcessMessages() override {}
    void ShowHelp(std::string_view, int) override {}
    void Terminate() override {}
};

class ZpSpanTest : public TMachineFixture {
protected:
    void SetUp() override
    {
        TMachineFixture::SetUp();
        InsertMedium('A', 1);
    }

    // Files of C:\Data; random bytes are stored, so sizes on disk are known.
    std::map<std::string, std::string> MakeData(std::initializer_list<size_t> sizes)
    {
        std::map<std::string, std::string> files;
        unsigned seed = 10;
        int n = 1;
        for (size_t size : sizes) {
            const std::string name = "F" + std::to_string(n++) + ".DB";
            files[name] = RandomBytes(size, seed++);
            WriteFile(C("Data/" + name), files[name]);
        }
        return files;
    }

    // Writes A:\SET.ZIP from C:\Data. Each blank-disk request runs the
    // next action (which inserts a medium and may answer abort); the
    // requests are counted.
    void WriteSet(std::vector<std::function<void(bool&)>> actions, int* requests = nullptr)
    {
        TZpZipper zipper;
        zipper.SetBaseDirectory("C:\\Data");
        size_t next = 0;
        zipper.OnRequestBlankDisk = [&](bool& abort) {
            if (requests)
                ++*requests;
            if (next >= actions.size()) {
                ADD_FAILURE() << "more disk requests than expected";
                abort = true;
                return;
            }
            actions[next++](abort);
        };
        zipper.SetFileName("A:\\SET.ZIP");
        zipper.IncludeFiles("C:\\Data\\*.DB", 0);
        zipper.Close();
    }
    static std::function<void(bool&)> Insert(int medium, bool abort = false)
    {
        return [medium, abort](bool& a) {
            InsertMedium('A', medium);
            a = abort;
        };
    }

    // What medium n holds as A:\SET.ZIP ("" when it has none), and its label.
    static std::optional<std::string> Piece(int medium, std::string* label = nullptr)
    {
        InsertMedium('A', medium);
        if (label)
            GetVolumeLabel("A:\\", *label);
        if (!ZpFileExists("A:\\SET.ZIP"))
            return std::nullopt;
        return ReadFile(ZpHostPath("A:\\SET.ZIP"));
    }

    // Reads the set with medium `first` inserted and extracts it into
    // C:\Out. Requests are logged as "last" or the disk number; the
    // person answers a request by inserting media[number].
    struct TReadResult {
        std::vector<std::string> requests;
        std::vector<std::string> failures;
    };
    TReadResult ReadSet(int first, std::map<int, int> media, int lastMedium)
    {
        TReadResult r;
        InsertMedium('A', first);
        TZpUnZipper unzipper;
        unzipper.OnRequestLastDisk = [&](bool&) {
            r.requests.push_back("last");
            InsertMedium('A', lastMedium);
        };
        unzipper.OnRequestNthDisk = [&](int n, bool&) {
            r.requests.push_back(std::to_string(n));
            InsertMedium('A', media.count(n) ? media[n] : n);
        };
        unzipper.OnProcessItemFailure = [&](TZpBaseBrowser&, TZpArchiveItem& item, TZpProcessType, TZpErrorClass,
                                            int) {
            r.failures.push_back(item.FileName() + ": " + unzipper.Archive()->LastItemErrorMessage);
        };
        fs::create_directories(C("Out"));
        unzipper.SetBaseDirectory("C:\\Out");
        unzipper.SetFileName("A:\\SET.ZIP");
        unzipper.ExtractMatching("*.*");
        return r;
    }
    void ExpectExtracted(const std::map<std::string, std::string>& files)
    {
        for (const auto& [name, bytes] : files)
            EXPECT_TRUE(ReadFile(C("Out/" + name)) == bytes) << name << " differs";
    }
    // Nothing but the archive's files in C:\Out, and nothing new elsewhere on C:.
    void ExpectOnlyInOut(const std::map<std::string, std::string>& files)
    {
        for (auto& e : fs::recursive_directory_iterator(C("")))
            if (e.is_regular_file()) {
                const auto rel = fs::relative(e.path(), C("")).generic_string();
                const bool inData = rel.rfind("Data/", 0) == 0;
                const bool inOut = rel.rfind("Out/", 0) == 0 && files.count(rel.substr(4));
                EXPECT_TRUE(inData || inOut) << "unexpected file " << rel;
            }
    }
};

// The layout records of a whole set laid end to end, judged against the
// pieces: every local header where its record says, the directory where
// the end record says.
void ExpectLayoutMatches(const std::vector<std::string>& pieces, int64_t diskSize, size_t entries)
{
    std::string all;
    for (const auto& p : pieces)
        all += p;
    ASSERT_GE(all.size(), 22u);
    const size_t end = all.size() - 22;
    ASSERT_EQ(Get32(all, end), 0x06054B50u);
    const uint16_t lastDisk = Get16(all, end + 4);
    const uint16_t dirDisk = Get16(all, end + 6);
    EXPECT_EQ(lastDisk, pieces.size() - 1);
    EXPECT_EQ(Get16(all, end + 10), entries);
    const uint32_t dirSize = Get32(all, end + 12);
    const uint32_t dirOffset = Get32(all, end + 16);
    size_t p = static_cast<size_t>(dirDisk * diskSize + dirOffset);
    EXPECT_EQ(p + dirSize, end);
    for (size_t i = 0; i < entries; ++i) {
        ASSERT_LT(p + 46, all.size());
        ASSERT_EQ(Get32(all, p), 0x02014B50u) << "directory record " << i;
        const uint16_t disk = Get16(all, p + 34);
        const uint32_t offset = Get32(all, p + 42);
        const size_t local = static_cast<size_t>(disk * diskSize + offset);
        ASSERT_LT(local + 4, all.size());
        EXPECT_EQ(Get32(all, local), 0x04034B50u) << "local header of record " << i;
        EXPECT_LT(offset, diskSize);
        p += 46 + Get16(all, p + 28) + Get16(all, p + 30) + Get16(all, p + 32);
    }
    // The directory starts where it has its size plus 512 bytes left on
    // the disk, or else at offset 1 of the next disk, behind zero bytes.
    EXPECT_TRUE(dirOffset == 1 || diskSize - static_cast<int64_t>(dirOffset) >= dirSize + 512)
        << "directory at " << dirOffset << ", " << dirSize << " bytes";
    if (dirDisk > 0 && dirOffset == 1) {
        EXPECT_EQ(all[static_cast<size_t>(dirDisk * diskSize)], '\0');
    }
}

TEST_F(ZpSpanTest, ArchiveThatFitsAsksForNothingAndKeepsTheLabel)
{
    SetVolumeLabel("A:\\", "MYDISK");
    const auto files = MakeData({20000, 30000});
    int requests = 0;
    WriteSet({}, &requests);
    EXPECT_EQ(requests, 0);
    std::string label;
    const auto piece = Piece(1, &label);
    ASSERT_TRUE(piece);
    EXPECT_EQ(piece->substr(0, 4), "PK00");
    EXPECT_EQ(label, "MYDISK");

    const auto r = ReadSet(1, {}, 1);
    EXPECT_TRUE(r.requests.empty());
    EXPECT_TRUE(r.failures.empty());
    ExpectExtracted(files);
}

TEST_F(ZpSpanTest, ThreeDiskSetIsLabelledLaidOutAndReadBack)
{
    const auto files = MakeData({1200000, 1200000, 1200000});
    int requests = 0;
    WriteSet({Insert(2), Insert(3)}, &requests);
    EXPECT_EQ(requests, 2);

    std::vector<std::string> pieces;
    for (int m = 1; m <= 3; ++m) {
        std::string label;
        const auto piece = Piece(m, &label);
        ASSERT_TRUE(piece) << "medium " << m << " has no SET.ZIP";
        EXPECT_EQ(label, ZpSpanDiskLabel(m));
        pieces.push_back(*piece);
    }
    EXPECT_EQ(ZpSpanDiskLabel(2), "PKBACK# 002");
    EXPECT_EQ(Get32(pieces[0], 0), 0x08074B50u);
    // Every disk but the last is filled to the byte budget of the first.
    EXPECT_EQ(pieces[0].size(), static_cast<size_t>(kDiskette));
    EXPECT_EQ(pieces[1].size(), static_cast<size_t>(kDiskette));
    ExpectLayoutMatches(pieces, kDiskette, files.size());

    // Entries start on disks 1, 1, 2 and run on to 2, 2, 3: the reader asks
    // for the last disk once, then for each entry's first disk and for each
    // disk an entry runs on to.
    const auto r = ReadSet(1, {}, 3);
    EXPECT_EQ(r.requests, (std::vector<std::string>{"last", "1", "2", "2", "3"}));
    EXPECT_TRUE(r.failures.empty()) << r.failures.front();
    ExpectExtracted(files);

    // A split-archive peer joins the same pieces into one valid archive.
    if (!HaveTool("zip") || !HaveTool("unzip"))
        GTEST_SKIP() << "zip/unzip not installed";
    const fs::path dir = root_ / "peer";
    fs::create_directories(dir);
    WriteFile(dir / "set.z01", pieces[0]);
    WriteFile(dir / "set.z02", pieces[1]);
    WriteFile(dir / "set.zip", pieces[2]);
    const auto join = RunCommand("cd " + Quote(dir.string()) + " && zip -q -s 0 set.zip --out joined.zip");
    ASSERT_EQ(join.status, 0) << join.output;
    const auto test = RunCommand("unzip -t " + Quote((dir / "joined.zip").string()));
    EXPECT_EQ(test.status, 0) << test.output;
}

TEST_F(ZpSpanTest, CancellingTheSecondBlankDiskAbortsAndLabelsTheDiskInTheDrive)
{
    MakeData({1200000, 1200000, 1200000});
    try {
        WriteSet({Insert(2), Insert(3, true)});
        FAIL() << "the write went on after a cancelled disk request";
    } catch (const EZpUserAbort& e) {
        EXPECT_STREQ(e.what(), "Process aborted by user");
    }
    std::string label;
    GetVolumeLabel("A:\\", label);
    EXPECT_EQ(InsertedMedium('A'), 3);
    EXPECT_EQ(label, "PKBACK# 003");
    std::string label2;
    EXPECT_TRUE(Piece(2, &label2));
    EXPECT_EQ(label2, "PKBACK# 002");
}

// Disks of one set must all take the first disk's budget: a disk with
// less room (files left on it) is refused and asked for again; a first
// disk with less room than the later ones makes every piece that size.
TEST_F(ZpSpanTest, DisksWithOtherFreeSpaceNeverBreakTheSet)
{
    struct TCase {
        const char* what;
        int junkMedium;           // medium holding a 100 kB file nobody erased
        std::vector<int> inserts; // media inserted at the blank-disk requests
        std::vector<int> setMedia;
    };
    const TCase cases[] = {
        {"second disk fuller than the first", 2, {2, 4, 3}, {1, 4, 3}},
        {"first disk fuller than the others", 1, {2, 3}, {1, 2, 3}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TearDown();
        SetUp();
        const auto files = MakeData({1100000, 1100000, 1100000});
        InsertMedium('A', c.junkMedium);
        WriteFile(ZpHostPath("A:\\JUNK.DAT"), RandomBytes(100000, 99));
        InsertMedium('A', 1);
        const int64_t budget = DriveFreeSpace("A:\\");

        std::vector<std::function<void(bool&)>> actions;
        for (int m : c.inserts)
            actions.push_back(Insert(m));
        int requests = 0;
        WriteSet(actions, &requests);
        EXPECT_EQ(requests, static_cast<int>(c.inserts.size()));

        std::vector<std::string> pieces;
        for (size_t i = 0; i < c.setMedia.size(); ++i) {
            const auto piece = Piece(c.setMedia[i]);
            ASSERT_TRUE(piece) << "medium " << c.setMedia[i];
            if (i + 1 < c.setMedia.size()) {
                EXPECT_EQ(static_cast<int64_t>(piece->size()), budget);
            }
            pieces.push_back(*piece);
        }
        ExpectLayoutMatches(pieces, budget, files.size());
        for (size_t i = 0; i < c.setMedia.size(); ++i) {
            std::string label;
            Piece(c.setMedia[i], &label);
            EXPECT_EQ(label, ZpSpanDiskLabel(static_cast<int>(i) + 1));
        }
        if (c.junkMedium != 1) {
            std::string label;
            EXPECT_FALSE(Piece(c.junkMedium, &label)) << "the refused disk got a piece";
            EXPECT_EQ(label, "") << "the refused disk was labelled";
        }
        std::map<int, int> media;
        for (size_t i = 0; i < c.setMedia.size(); ++i)
            media[static_cast<int>(i) + 1] = c.setMedia[i];
        const auto r = ReadSet(c.setMedia.front(), media, c.setMedia.back());
        EXPECT_TRUE(r.failures.empty()) << r.failures.front();
        ExpectExtracted(files);
    }
}

// Sets that do not match what the reader is given: the engine's messages,
// no crash, nothing written outside the target folder.
TEST_F(ZpSpanTest, BrokenSetsFailCleanly)
{
    struct TCase {
        const char* what;
        std::function<void()> spoil;     // run on the written set (media 1-3, other set on 4-6)
        std::map<int, int> media;        // disk number -> medium inserted for it
        int lastMedium;
    };
    const TCase cases[] = {
        {"missing disk (blank medium for disk 2)", [] {}, {{2, 7}}, 3},
        {"foreign disk (disk 2 of another set)", [] {}, {{2, 5}}, 3},
        {"disk 1 of another set", [] {}, {{1, 4}}, 3},
        {"truncated piece on disk 2",
         [] {
             InsertMedium('A', 2);
             fs::resize_file(ZpHostPath("A:\\SET.ZIP"), 300000);
         },
         {},
         3},
        {"last disk of another set", [] {}, {}, 6},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TearDown();
        SetUp();
        // Another set on media 4-6 first (other content, same name).
        auto other = MakeData({1150000, 1150000, 1150000});
        for (auto& [name, bytes] : other)
            WriteFile(C("Data/" + name), RandomBytes(bytes.size(), 77 + static_cast<unsigned>(name[1])));
        InsertMedium('A', 4);
        WriteSet({Insert(5), Insert(6)});
        fs::remove_all(C("Data"));
        InsertMedium('A', 1);
        const auto files = MakeData({1200000, 1200000, 1200000});
        WriteSet({Insert(2), Insert(3)});
        c.spoil();

        TReadResult r;
        try {
            r = ReadSet(1, c.media, c.lastMedium);
        } catch (const EZpException& e) {
            r.failures.push_back(e.what());
        }
        EXPECT_FALSE(r.failures.empty()) << "a broken set read without complaint";
        for (const auto& f : r.failures)
            EXPECT_FALSE(f.empty());
        ExpectOnlyInOut(files);
    }
}

TEST_F(ZpSpanTest, DefaultPromptsGoThroughTheUserInterfacePort)
{
    const auto files = MakeData({1200000, 1200000, 1200000});
    TPromptUi ui;
    int nextBlank = 2;
    ui.Answer = [&](const std::string& text) {
        if (text == "Insert a blank floppy disk")
            InsertMedium('A', nextBlank++);
        return mrOk;
    };
    {
        TZpZipper zipper;
        zipper.UiPort = &ui;
        zipper.SetBaseDirectory("C:\\Data");
        zipper.SetFileName("A:\\SET.ZIP");
        zipper.IncludeFiles("C:\\Data\\*.DB", 0);
        zipper.Close();
    }
    EXPECT_EQ(ui.Texts, (std::vector<std::string>{"Insert a blank floppy disk", "Insert a blank floppy disk"}));

    ui.Texts.clear();
    ui.Answer = [&](const std::string& text) {
        if (text == "Insert the last disk in the spanned disk set")
            InsertMedium('A', 3);
        else if (text.rfind("Insert disk number ", 0) == 0)
            InsertMedium('A', std::stoi(text.substr(19)));
        return mrOk;
    };
    InsertMedium('A', 1);
    TZpUnZipper unzipper;
    unzipper.UiPort = &ui;
    fs::create_directories(C("Out"));
    unzipper.SetBaseDirectory("C:\\Out");
    unzipper.SetFileName("A:\\SET.ZIP");
    unzipper.ExtractMatching("*.*");
    ASSERT_FALSE(ui.Texts.empty());
    EXPECT_EQ(ui.Texts.front(), "Insert the last disk in the spanned disk set");
    EXPECT_EQ(ui.Texts.at(1), "Insert disk number 1 of the spanned disk set");
    ExpectExtracted(files);

    // Cancel at the last-disk box ends the opening.
    ui.Answer = [](const std::string&) { return mrCancel; };
    InsertMedium('A', 1);
    TZpUnZipper again;
    again.UiPort = &ui;
    EXPECT_THROW(again.SetFileName("A:\\SET.ZIP"), EZpUserAbort);
}

// Image files on a fixed drive with a 1000-byte threshold: numbered
// pieces, the last under the archive name, read back through automatic
// image names.
TEST_F(ZpSpanTest, ImageFilesWithThresholdAreNamedAndReadBack)
{
    struct TCase {
        const char* what;
        std::vector<size_t> sizes;   // stored (random) files a.bin, b.bin, ...
        int pieces;
    };
    const TCase cases[] = {
        // Marker (4) + local header (30 + "Data/a.bin") + 856 bytes end at
        // offset 900: the directory does not fit the 100 bytes left, so 101
        // zero bytes put it at offset 1 of the next image.
        {"directory moved to the next image", {856}, 2},
        // Entries end at 4364; the directory (190 bytes) plus 512 does not
        // fit the 636 left either.
        {"entries over several images", {2500, 1700, 40}, 6},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TearDown();
        SetUp();
        fs::create_directories(C("Sets"));
        std::map<std::string, std::string> files;
        for (size_t i = 0; i < c.sizes.size(); ++i) {
            const std::string name = std::string(1, static_cast<char>('a' + i)) + ".bin";
            files[name] = RandomBytes(c.sizes[i], 5 + static_cast<unsigned>(i));
            WriteFile(C("Data/" + name), files[name]);
        }
        {
            TZpZipper zipper;
            zipper.SetSpanningThreshold(1000);
            zipper.SetBaseDirectory("C:\\Data");
            zipper.SetFileName("C:\\Sets\\SET.zip");
            zipper.IncludeFiles("C:\\Data\\*.bin", 0);
            zipper.Close();
        }
        std::vector<std::string> pieces;
        for (int n = 1; n < c.pieces; ++n) {
            char ext[8];
            std::snprintf(ext, sizeof ext, n == 1 ? "Z%02d" : "z%02d", n);
            const fs::path p = C(std::string("Sets/SET.") + ext);
            ASSERT_TRUE(fs::exists(p)) << p;
            pieces.push_back(ReadFile(p));
            EXPECT_EQ(pieces.back().size(), 1000u);
        }
        char ext[8];
        std::snprintf(ext, sizeof ext, "z%02d", c.pieces);
        EXPECT_FALSE(fs::exists(C(std::string("Sets/SET.") + ext))) << "more pieces than expected";
        pieces.push_back(ReadFile(C("Sets/SET.zip")));
        EXPECT_EQ(Get32(pieces[0], 0), 0x08074B50u);
        ExpectLayoutMatches(pieces, 1000, files.size());
        if (c.sizes.size() == 1) {
            EXPECT_EQ(pieces[0].substr(900), std::string(100, '\0'));
            EXPECT_EQ(pieces[1][0], '\0');
            EXPECT_EQ(Get32(pieces[1], 1), 0x02014B50u);
        }

        TZpUnZipper unzipper;
        std::vector<std::string> failures;
        unzipper.OnProcessItemFailure = [&](TZpBaseBrowser&, TZpArchiveItem& item, TZpProcessType, TZpErrorClass,
                                            int) { failures.push_back(item.FileName()); };
        fs::create_directories(C("Out"));
        unzipper.SetBaseDirectory("C:\\Out");
        unzipper.SetFileName("C:\\Sets\\SET.zip");
        unzipper.ExtractMatching("*.*");
        EXPECT_TRUE(failures.empty());
        ExpectExtracted(files);

        if (HaveTool("zip") && HaveTool("unzip")) {
            const fs::path dir = root_ / "peer";
            fs::create_directories(dir);
            for (size_t i = 0; i + 1 < pieces.size(); ++i) {
                std::snprintf(ext, sizeof ext, "z%02d", static_cast<int>(i + 1));
                WriteFile(dir / (std::string("set.") + ext), pieces[i]);
            }
            WriteFile(dir / "set.zip", pieces.back());
            const auto join = RunCommand("cd " + Quote(dir.string()) + " && zip -q -s 0 set.zip --out joined.zip");
            ASSERT_EQ(join.status, 0) << join.output;
            const auto test = RunCommand("unzip -t " + Quote((dir / "joined.zip").string()));
            EXPECT_EQ(test.status, 0) << test.output;
        }
    }
}

TEST(ZpSpanNames, ImageNamesAndLabels)
{
    struct TCase {
        const char* name;
        int n;
        const char* expected;
    };
    const TCase cases[] = {
        {"C:\\B\\SET.zip", 0, "C:\\B\\SET.z01"},   {"C:\\B\\SET.zip", 1, "C:\\B\\SET.z02"},
        {"C:\\B\\SET.zip", 98, "C:\\B\\SET.z99"},  {"C:\\B\\SET.zip", 99, "C:\\B\\SET.z00"},
        {"C:\\B\\SET", 0, "C:\\B\\SET.01"},        {"C:\\B\\SET.", 2, "C:\\B\\SET.03"},
        {"C:\\B.D\\SET", 0, "C:\\B.D\\SET.01"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ImageNameFor(c.name, c.n), c.expected) << c.name << " " << c.n;
    EXPECT_EQ(TZpSpanStream::LocalImageName("C:\\B.D\\SET.tar.zip", 2), "C:\\B.D\\SET.z02");
    EXPECT_EQ(TZpSpanStream::LocalImageName("C:\\SET.zip", 100), "");
    EXPECT_EQ(ZpSpanDiskLabel(1), "PKBACK# 001");
    EXPECT_EQ(ZpSpanDiskLabel(1234), "PKBACK# 1234");
}

TEST_F(ZpSpanTest, ConstructionRefusesRelativeNamesAndUnknownMedia)
{
    try {
        TZpSpanStream s("SET.ZIP", 0, mkRemovable, fmOpenWrite);
        FAIL();
    } catch (const EZpException& e) {
        EXPECT_STREQ(e.what(), "Full Path Required");
    }
    // An empty drive cannot say its free space; a file that exists there
    // cannot be checked either.
    InsertMedium('A', 1);
    WriteFile(ZpHostPath("A:\\OLD.ZIP"), "x");
    WriteFile(C("Old.zip"), "x");
    machine_->WriteMachineFile("drives.ini", "[C:]\ntype=fixed\npath=c\n[R:]\ntype=ramdisk\npath=c\n");
    try {
        TZpSpanStream s("R:\\Old.zip", 0, mkLocal, fmOpenWrite);
        FAIL();
    } catch (const EZpException& e) {
        EXPECT_STREQ(e.what(), "Invalid Media");
    }
    // Reading streams open whatever exists.
    TZpSpanStream r("R:\\Old.zip", 0, mkLocal, fmOpenRead);
    EXPECT_EQ(r.Size(), 1);
}

} // namespace
