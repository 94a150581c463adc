// The command-line tool as a user runs it: host and Windows paths, exit
// codes, messages, and extraction that stays inside the target folder.
#include <gtest/gtest.h>

#include "ZipRawArchive.h"
#include "ZipTestSupport.h"
#include "zip/ZpUtils.h"

using namespace ziptest;

namespace {

class VornzipTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir_ = fs::temp_directory_path() / ("vornzip-test-" + std::to_string(getpid()) + "-" +
                                            ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }

    // The tool without a machine folder of its own: it maps Z: to the host root.
    TRun Vornzip(const std::string& args)
    {
        return RunCommand("cd " + Quote(dir_.string()) + " && VORN_MACHINE=" + Quote((dir_ / "no-machine").string()) +
                          " " + Quote(VORNZIP_BINARY) + " " + args);
    }
    void Write(const std::string& rel, const std::string& bytes) { WriteFile(dir_ / rel, bytes); }
    std::string Read(const std::string& rel) { return ReadFile(dir_ / rel); }
    fs::path dir_;
};

} // namespace

TEST_F(VornzipTest, HelpAndUsageErrors)
{
    const TRun help = Vornzip("--help");
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.output.find("Exit codes"), std::string::npos);
    EXPECT_NE(help.output.find("3  one or more entries failed"), std::string::npos);
    struct Case {
        const char* args;
        int status;
        const char* message;
    } cases[] = {
        {"", 1, "Usage"},
        {"frobnicate x", 1, "unknown command"},
        {"list", 1, "Usage"},
        {"extract only-one", 1, "Usage"},
        {"list missing.zip", 2, "File not found"},
        {"test notes.txt", 2, "Unhandled Archive Type"},
    };
    Write("notes.txt", "plain text");
    for (auto& c : cases) {
        const TRun r = Vornzip(c.args);
        EXPECT_EQ(r.status, c.status) << c.args << "\n" << r.output;
        EXPECT_NE(r.output.find(c.message), std::string::npos) << c.args << "\n" << r.output;
    }
}

TEST_F(VornzipTest, CreateListTestExtractRoundTrip)
{
    Write("data/ORDERS.ADT", std::string(100000, 'o'));
    Write("data/caf\xC3\xA9.db", "accent");
    Write("data/empty.val", "");
    Write("data/skip.txt", "not matched");
    Write("data/sub/inner.adt", "inner");
    const TRun created = Vornzip("create -r out.zip data '*.adt;*.db' '*.val'");
    ASSERT_EQ(created.status, 0) << created.output;
    EXPECT_EQ(Vornzip("create out.zip data '*.*'").status, 2);   // never overwrites

    const TRun list = Vornzip("list out.zip");
    EXPECT_EQ(list.status, 0);
    for (const char* name : {"ORDERS.ADT", "caf\xC3\xA9.db", "empty.val", "sub/inner.adt"})
        EXPECT_NE(list.output.find(name), std::string::npos) << name << "\n" << list.output;
    EXPECT_EQ(list.output.find("skip.txt"), std::string::npos);
    EXPECT_EQ(Vornzip("test out.zip").status, 0);

    // Host path of the archive, Windows path of the folder.
    const std::string winFolder = "Z:" + ZpReplaceAll((dir_ / "x").string(), '/', '\\');
    ASSERT_EQ(Vornzip("extract out.zip " + Quote(winFolder)).status, 0);
    EXPECT_EQ(Read("x/ORDERS.ADT"), std::string(100000, 'o'));
    EXPECT_EQ(Read("x/caf\xC3\xA9.db"), "accent");
    EXPECT_EQ(Read("x/sub/inner.adt"), "inner");
    ASSERT_EQ(Vornzip("extract -j out.zip flat").status, 0);
    EXPECT_EQ(Read("flat/inner.adt"), "inner");
    EXPECT_FALSE(fs::exists(dir_ / "flat" / "sub"));
}

TEST_F(VornzipTest, DamagedAndHostileArchives)
{
    std::string bytes = RawZip({{"good.txt", "good"}, {"bad.txt", std::string(5000, 'b'), 8, 20, 20}});
    const size_t at = bytes.find("bad.txt") + 7 + 3;
    bytes[at] = static_cast<char>(bytes[at] ^ 0x40);
    Write("bad.zip", bytes);
    const TRun test = Vornzip("test bad.zip");
    EXPECT_EQ(test.status, 3) << test.output;
    EXPECT_NE(test.output.find("bad.txt"), std::string::npos) << test.output;

    Write("hostile.zip", RawZip({{"../../escape.txt", "x"}, {"/etc/vornzip-abs.txt", "y"}, {"..", "z"}}));
    const TRun r = Vornzip("extract hostile.zip out/inner");
    EXPECT_EQ(r.status, 3) << r.output;   // ".." has no file name
    EXPECT_FALSE(fs::exists(dir_ / "escape.txt"));
    EXPECT_FALSE(fs::exists(dir_ / "out" / "escape.txt"));
    EXPECT_FALSE(fs::exists("/etc/vornzip-abs.txt"));
    EXPECT_EQ(Read("out/inner/escape.txt"), "x");
    EXPECT_EQ(Read("out/inner/etc/vornzip-abs.txt"), "y");
}
