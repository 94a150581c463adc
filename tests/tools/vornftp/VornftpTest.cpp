// The vornftp program as a user runs it: arguments, output, dialogue,
// messages and exit status.
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sys/wait.h>

#include "PeerFtpServer.h"
#include "ScriptedFtpServer.h"
#include "tests/support/FileContents.h"

namespace {

struct TRun {
    int status;
    std::string out;
    std::string err;
};

// Runs vornftp with the arguments (already quoted for the shell).
TRun RunVornftp(const std::string& arguments)
{
    const std::string errFile = std::filesystem::temp_directory_path() / ("vornftp-err-" + std::to_string(getpid()));
    const std::string command = std::string(VORNFTP_PROGRAM) + " " + arguments + " 2>" + errFile;
    TRun run{};
    FILE* pipe = popen(command.c_str(), "r");
    std::array<char, 4096> buffer;
    size_t n;
    while ((n = fread(buffer.data(), 1, buffer.size(), pipe)) > 0)
        run.out.append(buffer.data(), n);
    const int status = pclose(pipe);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.err = ReadFileText(errFile);
    std::filesystem::remove(errFile);
    return run;
}

} // namespace

TEST(Vornftp, BadArgumentsShowUsage)
{
    for (const char* args : {"", "host user", "host user pass", "host user pass pwd extra", "host user pass list",
                             "host user pass put only-local", "host user pass get x", "--port", "--port 0 h u p pwd",
                             "--port 70000 h u p pwd", "--port x h u p pwd", "--bogus h u p pwd"}) {
        SCOPED_TRACE(args);
        const TRun run = RunVornftp(args);
        EXPECT_EQ(run.status, 2);
        EXPECT_NE(run.err.find("usage: vornftp"), std::string::npos);
    }
}

TEST(Vornftp, VerboseDialogueMasksThePassword)
{
    TScriptedFtpServer server;
    server.Start();
    const TRun run = RunVornftp("--verbose --port " + std::to_string(server.Port()) + " 127.0.0.1 fwhdlx0 s3cret pwd");
    server.Join();
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "/public_html/ftp/soft/files/tosupport\n");
    EXPECT_NE(run.err.find("< 220 Scripted server ready."), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("> USER fwhdlx0"), std::string::npos);
    EXPECT_NE(run.err.find("> PASS ****"), std::string::npos);
    EXPECT_EQ(run.err.find("s3cret"), std::string::npos) << "password shown";
    EXPECT_NE(run.err.find("> QUIT"), std::string::npos);
}

TEST(Vornftp, FailuresAreTheClientsMessages)
{
    {
        TScriptedFtpServer server;
        server.Handlers["PASS"] = [](TScriptedFtpServer::TSession& s, const std::string&) {
            s.Send("530 Login incorrect.\r\n");
        };
        server.Start();
        const TRun run = RunVornftp("--port " + std::to_string(server.Port()) + " 127.0.0.1 u p pwd");
        server.Join();
        EXPECT_EQ(run.status, 1);
        EXPECT_EQ(run.err, "vornftp: Login incorrect.\n");
    }
    {
        int port;
        {
            TScriptedFtpServer unused;
            port = unused.Port();
        }
        const TRun run = RunVornftp("--port " + std::to_string(port) + " 127.0.0.1 u p pwd");
        EXPECT_EQ(run.status, 1);
        EXPECT_EQ(run.err, "vornftp: Socket Error # 10061\nConnection refused.\n");
    }
}

TEST(Vornftp, ListAndPutAgainstPyftpdlib)
{
    TTempFolder root;
    std::filesystem::create_directories(root.Path() + "/incoming");
    std::string whyNot;
    const auto server = TPeerFtpServer::StartPyftpdlib(root.Path(), whyNot);
    if (!server)
        GTEST_SKIP() << whyNot;
    const std::string login = "--port " + std::to_string(server->Port()) + " 127.0.0.1 fwhdlx0 secret ";
    const std::string local = root.Path() + ".local";
    std::string content;
    for (int i = 0; i < 300000; ++i)
        content += static_cast<char>(i % 251);
    std::ofstream(local, std::ios::binary) << content;

    TRun run = RunVornftp(login + "put " + local + " /incoming/up.zip");
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_TRUE(ReadFileText(root.Path() + "/incoming/up.zip") == content);

    run = RunVornftp(login + "list /incoming");
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("up.zip"), std::string::npos) << run.out;

    run = RunVornftp(login + "put " + root.Path() + ".missing x.zip");
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("vornftp: "), std::string::npos);
    std::filesystem::remove(local);
}
