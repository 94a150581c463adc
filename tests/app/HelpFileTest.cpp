#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>

#include "app/HelpFile.h"

namespace {

std::string Blocks(const THelpTopic& t)
{
    std::string out;
    for (const auto& b : t.Blocks)
        out += (b.Kind == hbHeading ? "H:" : b.Kind == hbBullet ? "B:" : "P:") + b.Text + "|";
    return out;
}

} // namespace

TEST(HelpFile, ParsesTopicsAndBlocks)
{
    const THelpFile f = THelpFile::Parse(
        "; leading comment\r\n"
        "\n"
        "VORNHELP 1\r\n"
        "@topic 10 Contents\r\n"
        "First line\r\n"
        "second line.\n"
        "\n"
        "== Actions\n"
        "- Backup\n"
        "  to diskettes\n"
        "- Restore\n"
        "after list\n"
        "; a comment inside a topic\n"
        "@topic 2147483647   Last  one \n"
        "  indented paragraph\n");
    ASSERT_EQ(f.Topics().size(), 2u);
    const THelpTopic* t = f.Find(10);
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(t->Title, "Contents");
    EXPECT_EQ(Blocks(*t), "P:First line second line.|H:Actions|B:Backup to diskettes|B:Restore|P:after list|");
    t = f.Find(2147483647);
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(t->Title, "Last  one");
    EXPECT_EQ(Blocks(*t), "P:  indented paragraph|");
    EXPECT_EQ(f.Find(11), nullptr);
    EXPECT_EQ(f.Find(0), nullptr);
}

TEST(HelpFile, RejectsMalformedFiles)
{
    struct { const char* name; std::string text; const char* message; } cases[] = {
        {"empty", "", "VORNHELP 1 expected"},
        {"comments only", "; x\n\n", "VORNHELP 1 expected"},
        {"other format", "VORNHELP 2\n@topic 10 A\n", "line 1: not a Vorn Backup help file"},
        {"text before topic", "VORNHELP 1\nhello\n@topic 10 A\n", "line 2: text before the first @topic"},
        {"no number", "VORNHELP 1\n@topic\n", "line 2: @topic needs"},
        {"letters", "VORNHELP 1\n@topic ten A\n", "line 2: bad context number"},
        {"zero", "VORNHELP 1\n@topic 0 A\n", "bad context number"},
        {"negative", "VORNHELP 1\n@topic -5 A\n", "bad context number"},
        {"plus sign", "VORNHELP 1\n@topic +5 A\n", "bad context number"},
        {"too large", "VORNHELP 1\n@topic 2147483648 A\n", "bad context number"},
        {"no title", "VORNHELP 1\n@topic 10\n", "line 2: topic 10 has no title"},
        {"blank title", "VORNHELP 1\n@topic 10    \n", "topic 10 has no title"},
        {"twice", "VORNHELP 1\n@topic 10 A\nx\n@topic 10 B\n", "line 4: topic 10 appears twice"},
        {"NUL", std::string("VORNHELP 1\n@topic 10 A\nx\0y\n", 27), "line 3: control character"},
        {"bare CR", "VORNHELP 1\n@topic 10 A\nx\ry\n", "line 3: control character"},
        {"bad UTF-8", "VORNHELP 1\n@topic 10 Jos\xE9\n", "not UTF-8"},
        {"overlong", "VORNHELP 1\n@topic 10 \xC0\xAF\n", "not UTF-8"},
        {"surrogate", "VORNHELP 1\n@topic 10 \xED\xA0\x80\n", "not UTF-8"},
        {"cut sequence", "VORNHELP 1\n@topic 10 A\xE2\x82", "not UTF-8"},
    };
    for (const auto& c : cases) {
        try {
            THelpFile::Parse(c.text);
            ADD_FAILURE() << c.name << ": accepted";
        } catch (const EHelpFileError& e) {
            EXPECT_NE(e.Message().find(c.message), std::string::npos) << c.name << ": " << e.Message();
        }
    }
    // Well-formed multi-byte text is fine.
    EXPECT_EQ(THelpFile::Parse("VORNHELP 1\n@topic 10 Jos\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x92\xBE\n").Find(10)->Title,
              "Jos\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x92\xBE");
}

TEST(HelpFile, SplitsLinks)
{
    struct { const char* text; std::vector<std::pair<std::string, int32_t>> spans; } cases[] = {
        {"", {}},
        {"plain", {{"plain", 0}}},
        {"See [Backup](#20).", {{"See ", 0}, {"Backup", 20}, {".", 0}}},
        {"[a](#1)[b](#2)", {{"a", 1}, {"b", 2}}},
        {"[x](#abc) and [](#3)", {{"[x](#abc) and [](#3)", 0}}},
        {"[x](#0)", {{"[x](#0)", 0}}},
        {"[x](#12", {{"[x](#12", 0}}},
        {"[x](20)", {{"[x](20)", 0}}},
        {"a [b [c](#4) d", {{"a [b ", 0}, {"c", 4}, {" d", 0}}},
        {"[", {{"[", 0}}},
        {"x [y](#99999999999)", {{"x [y](#99999999999)", 0}}},
    };
    for (const auto& c : cases) {
        std::vector<std::pair<std::string, int32_t>> got;
        for (const auto& s : SplitHelpLinks(c.text))
            got.push_back({s.Text, s.LinkContext});
        EXPECT_EQ(got, c.spans) << c.text;
    }
}

TEST(HelpFile, LoadReportsFileProblems)
{
    const std::filesystem::path dir = std::filesystem::path(VORN_BINARY_DIR) / "helpfile_test";
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    std::ofstream(dir / "big.hlp") << std::string(kMaxHelpFileSize + 1, 'x');
    std::ofstream(dir / "ok.hlp") << "VORNHELP 1\n@topic 10 A\n";
    struct { std::string path; const char* message; } cases[] = {
        {(dir / "missing.hlp").string(), "does not exist"},
        {dir.string(), "not a file"},
        {(dir / "big.hlp").string(), "larger than"},
    };
    for (const auto& c : cases) {
        try {
            THelpFile::Load(c.path);
            ADD_FAILURE() << c.path << ": accepted";
        } catch (const EHelpFileError& e) {
            EXPECT_NE(e.Message().find(c.message), std::string::npos) << c.path << ": " << e.Message();
        }
    }
    EXPECT_NE(THelpFile::Load((dir / "ok.hlp").string()).Find(10), nullptr);
    std::filesystem::remove_all(dir);
}

// The shipped help: it parses, has the contents topic, and every link leads
// to a topic that exists; every topic can be reached from the contents.
TEST(HelpFile, ShippedHelpIsComplete)
{
    const THelpFile f = THelpFile::Load(VORN_SOURCE_DIR "/app/VornBack.hlp");
    ASSERT_NE(f.Find(10), nullptr);
    std::set<int32_t> reached{10};
    std::vector<int32_t> todo{10};
    while (!todo.empty()) {
        const THelpTopic* t = f.Find(todo.back());
        todo.pop_back();
        for (const auto& b : t->Blocks)
            for (const auto& s : SplitHelpLinks(b.Text)) {
                if (!s.LinkContext)
                    continue;
                ASSERT_NE(f.Find(s.LinkContext), nullptr) << "topic " << t->Context << " links to " << s.LinkContext;
                if (reached.insert(s.LinkContext).second)
                    todo.push_back(s.LinkContext);
            }
    }
    for (const auto& t : f.Topics())
        EXPECT_TRUE(reached.count(t.Context)) << "topic " << t.Context << " cannot be reached";
    // The copy next to the program is the same file.
    std::ifstream a(VORN_SOURCE_DIR "/app/VornBack.hlp"), b(VORN_BINARY_DIR "/app/VornBack.hlp");
    ASSERT_TRUE(b) << "help file not copied next to the program";
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(a), {}), std::string(std::istreambuf_iterator<char>(b), {}));
}
