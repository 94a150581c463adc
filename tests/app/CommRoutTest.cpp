// Name filter, digit-group decoding, the launcher's error path and what the
// shell layer hands to the desktop.
#include <gtest/gtest.h>

#include <stdexcept>

#include "app/CommRout.h"
#include "app/Convert.h"
#include "platform/ScriptedUi.h"
#include "platform/Shell.h"

TEST(CommRout, KeepAlphaNumericKeepsAsciiLettersAndDigitsOnly)
{
    const struct {
        const char* in;
        const char* out;
    } cases[] = {
        {"Jean-Luc O'Brien 3", "JeanLucOBrien3"},
        {"Jos\xC3\xA9", "Jos"},  // UTF-8 bytes of the accent are dropped too
        {"-- ' !", ""},
        {"", ""},
        {"AZaz09", "AZaz09"},
        {"@[`{/:", ""},  // the neighbours of each range
    };
    for (const auto& c : cases)
        EXPECT_EQ(KeepAlphaNumeric(c.in), c.out) << c.in;
}

TEST(CommRout, DecodeDigitGroupsReadsSixCharacterCells)
{
    const struct {
        const char* in;
        const char* out;
    } cases[] = {
        {"", ""},
        {"700", ""},
        {"700abc", "W"},
        {"710xyz711xyz", "ab"},
        {"710xyz711", "a"},     // the last cell starts with three left
        {"710xyz7110", "ab"},   // ... and with four it is read
        {"7001", "W"},
        {"741abc", "\xC2\x80"},  // code 128 as UTF-8
    };
    for (const auto& c : cases)
        EXPECT_EQ(DecodeDigitGroups(c.in), c.out) << c.in;

    for (const char* bad : {"7a0abc", "710xyzabcxyz", "-10abc", "600abc"})
        EXPECT_THROW(DecodeDigitGroups(bad), EConvertError) << bad;
}

TEST(CommRout, PasswordCandidatesDecodeToPrintableText)
{
    for (int i = 1; i <= kPasswordCount; ++i) {
        const std::string pw = DecodeDigitGroups(ScrambledPassword(i));
        EXPECT_GE(pw.size(), 8u) << i;
        for (char ch : pw)
            EXPECT_TRUE(ch > ' ' && ch < 127) << i;
    }
    EXPECT_THROW(ScrambledPassword(0), std::out_of_range);
    EXPECT_THROW(ScrambledPassword(8), std::out_of_range);
}

TEST(CommRout, StrToIntAcceptsWholeNumbersOnly)
{
    EXPECT_EQ(StrToInt("0"), 0);
    EXPECT_EQ(StrToInt(" -12"), -12);
    EXPECT_EQ(StrToInt("2147483647"), 2147483647);
    EXPECT_EQ(StrToInt("-2147483648"), -2147483647 - 1);
    for (const char* bad : {"", " ", "1 ", "x", "1.5", "2147483648", "99999999999999999999", "-"}) {
        try {
            StrToInt(bad);
            ADD_FAILURE() << "accepted '" << bad << "'";
        } catch (const EConvertError& e) {
            EXPECT_EQ(std::string(e.what()), "'" + std::string(bad) + "' is not a valid integer value");
        }
    }
}

namespace {

class TThrowingShell : public TShell {
public:
    bool ShellOpen(std::string_view, std::string_view, std::string_view, int) override
    {
        throw std::runtime_error("no shell");
    }
};

class TRefusingShell : public TShell {
public:
    bool ShellOpen(std::string_view, std::string_view, std::string_view, int) override { return false; }
};

}  // namespace

TEST(CommRout, LaunchProgramReportsOnlyARaisedError)
{
    TScriptedUi ui;
    TThrowingShell throwing;
    EXPECT_FALSE(LaunchProgram(throwing, ui, "x.example/p", "", SW_SHOW, "C:\\Prog"));
    ASSERT_EQ(ui.Boxes().size(), 1u);
    EXPECT_EQ(ui.Boxes()[0],
              "error: Program x.example/p in directory C:\\Prog was not successfully launched. Please contact "
              "support.");

    ui.Clear();
    TRefusingShell refusing;  // the shell's own failure goes unreported
    EXPECT_TRUE(LaunchProgram(refusing, ui, "mailto:x", "", SW_SHOW, ""));
    EXPECT_TRUE(ui.Boxes().empty());
}

TEST(Shell, TargetsGetQuotesRemovedAndWebAddressesAScheme)
{
    const struct {
        const char* in;
        const char* out;
    } cases[] = {
        {"\"mailto:s@t.example?subject=a b&body=x%0A%0D\"", "mailto:s@t.example?subject=a b&body=x%0A%0D"},
        {"www.tessaro.example/etc2/p_backup.php", "http://www.tessaro.example/etc2/p_backup.php"},
        {"127.0.0.1:8080/etc2/p_backup.php", "http://127.0.0.1:8080/etc2/p_backup.php"},
        {"localhost:8080", "http://localhost:8080"},
        {"https://x.example/", "https://x.example/"},
        {"C:\\docs\\read.me", "C:\\docs\\read.me"},
        {"\\\\server\\share", "\\\\server\\share"},
        {"\"\"", ""},
        {"\"", "\""},  // a lone quote is not a quoted target
        {"", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ShellTargetUrl(c.in), c.out) << c.in;
}
