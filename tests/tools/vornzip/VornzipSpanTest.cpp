// vornzip on an emulated diskette drive: every disk request is a prompt on
// the terminal, answered by swapping media (as a person would) and
// pressing Enter, or by the end of input.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>

#include "platform/Drives.h"
#include "ZipTestSupport.h"

using namespace ziptest;

namespace {

struct TSession {
    int status = -1;
    std::string output;
    std::vector<std::string> prompts;
};

// Runs vornzip with the machine folder; at each "... press Enter" line
// `answer` acts and says whether to press Enter (false closes the input).
TSession RunWithPrompts(const std::string& machine, const std::vector<std::string>& args,
                        const std::function<bool(const std::string&)>& answer)
{
    TSession s;
    int in[2], out[2];
    if (pipe(in) != 0 || pipe(out) != 0)
        return s;
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(in[0], 0);
        dup2(out[1], 1);
        dup2(out[1], 2);
        close(in[1]);
        close(out[0]);
        setenv("VORN_MACHINE", machine.c_str(), 1);
        std::vector<char*> argv{const_cast<char*>(VORNZIP_BINARY)};
        for (const auto& a : args)
            argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        execv(VORNZIP_BINARY, argv.data());
        _exit(127);
    }
    close(in[0]);
    close(out[1]);
    std::string line;
    char c;
    bool inputOpen = true;
    while (read(out[0], &c, 1) == 1) {
        s.output += c;
        if (c != '\n') {
            line += c;
            continue;
        }
        if (line.find("press Enter") != std::string::npos) {
            s.prompts.push_back(line);
            if (inputOpen && answer(line)) {
                (void)!write(in[1], "\n", 1);
            } else if (inputOpen) {
                close(in[1]);
                inputOpen = false;
            }
        }
        line.clear();
    }
    if (inputOpen)
        close(in[1]);
    close(out[0]);
    int st = 0;
    waitpid(pid, &st, 0);
    s.status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
    return s;
}

class VornzipSpanTest : public TMachineFixture {
protected:
    void SetUp() override
    {
        TMachineFixture::SetUp();
        InsertMedium('A', 1);
        for (int i = 1; i <= 3; ++i) {
            files_["F" + std::to_string(i) + ".DB"] = RandomBytes(1200000, 30 + static_cast<unsigned>(i));
            WriteFile(C("Data/F" + std::to_string(i) + ".DB"), files_["F" + std::to_string(i) + ".DB"]);
        }
    }
    // Answers "Insert blank disk N" and "Insert disk N" by inserting medium
    // N, the last disk by medium `last`.
    static std::function<bool(const std::string&)> Swapper(int last, int abortAt = 0)
    {
        return [last, abortAt](const std::string& prompt) {
            int n = last;
            const size_t at = prompt.find("disk ");
            if (prompt.find("last disk") == std::string::npos && at != std::string::npos)
                n = std::atoi(prompt.c_str() + prompt.find_first_of("0123456789", at));
            if (n == abortAt)
                return false;
            InsertMedium('A', n);
            return true;
        };
    }
    std::map<std::string, std::string> files_;
};

} // namespace

TEST_F(VornzipSpanTest, CreateAndExtractOverThreeDisks)
{
    const TSession create = RunWithPrompts(root_.string(), {"create", "A:\\SET.ZIP", "C:\\Data", "*.DB"}, Swapper(3));
    ASSERT_EQ(create.status, 0) << create.output;
    EXPECT_EQ(create.prompts, (std::vector<std::string>{"Insert blank disk 2 in drive A: and press Enter",
                                                        "Insert blank disk 3 in drive A: and press Enter"}));
    std::string label;
    GetVolumeLabel("A:\\", label);
    EXPECT_EQ(label, "PKBACK# 003");

    InsertMedium('A', 1);
    const TSession extract = RunWithPrompts(root_.string(), {"extract", "A:\\SET.ZIP", "C:\\Out"}, Swapper(3));
    ASSERT_EQ(extract.status, 0) << extract.output;
    ASSERT_FALSE(extract.prompts.empty());
    EXPECT_EQ(extract.prompts.front(), "Insert the last disk of the set in drive A: and press Enter");
    EXPECT_EQ(extract.prompts.at(1), "Insert disk 1 of the set in drive A: and press Enter");
    for (const auto& [name, bytes] : files_)
        EXPECT_TRUE(ReadFile(C("Out/" + name)) == bytes) << name;
}

TEST_F(VornzipSpanTest, EndOfInputAbortsClearly)
{
    struct TCase {
        std::vector<std::string> args;
        int abortAt;
    };
    // Writing: no answer for disk 3. Reading: no answer for the last disk.
    const TCase cases[] = {
        {{"create", "A:\\SET.ZIP", "C:\\Data", "*.DB"}, 3},
        {{"list", "A:\\SET.ZIP"}, 3},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args[0]);
        TearDown();
        SetUp();
        if (c.args[0] == "list") {
            ASSERT_EQ(RunWithPrompts(root_.string(), {"create", "A:\\SET.ZIP", "C:\\Data", "*.DB"}, Swapper(3)).status, 0);
            InsertMedium('A', 1);
        }
        const TSession s = RunWithPrompts(root_.string(), c.args, Swapper(3, c.abortAt));
        EXPECT_EQ(s.status, 2) << s.output;
        EXPECT_NE(s.output.find("end of input at a disk request"), std::string::npos) << s.output;
        EXPECT_NE(s.output.find("Process aborted by user"), std::string::npos) << s.output;
    }
}
