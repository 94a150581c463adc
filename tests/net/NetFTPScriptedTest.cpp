// The FTP client against a scripted server: each case changes a few of the
// server's answers and checks what the client did and what it raised.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "ScriptedFtpServer.h"
#include "net/NetException.h"
#include "net/NetFTP.h"

namespace {

using Lines = std::vector<std::string>;
using TSession = TScriptedFtpServer::TSession;

TScriptedFtpServer::THandler Reply(std::string text)
{
    return [text](TSession& s, const std::string&) { s.Send(text); };
}

void Configure(TNetFTP& ftp, const TScriptedFtpServer& server)
{
    ftp.Host = "127.0.0.1";
    ftp.Port = static_cast<uint16_t>(server.Port());
    ftp.Username = "fwhdlx0";
    ftp.Password = "secret";
    // Short waits: no test waits the production minute.
    ftp.SetReadTimeout(1500);
    ftp.ListenTimeout = 400;
}

const Lines kLogin = {"HOST [127.0.0.1]", "USER fwhdlx0", "PASS secret", "FEAT", "TYPE A", "SYST", "TYPE A"};

Lines Concat(Lines a, const Lines& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

std::string TenDigits()
{
    return "0123456789";
}

} // namespace

TEST(NetFTPConnect, ServerBehaviours)
{
    struct TCase {
        const char* name;
        std::function<void(TScriptedFtpServer&, TNetFTP&)> setup;
        // 0: connects; > 0: ENetReplyRFCError with that code; -1: another
        // ENetException, whose message starts with `message`.
        int error;
        const char* message;
        Lines commands;
        std::function<void(TNetFTP&)> check;
    };
    std::string warning;
    const TCase cases[] = {
        {"120 then 220",
         [&](TScriptedFtpServer& s, TNetFTP& f) {
             s.Greeting = "120 Wait a moment.\r\n220 Ready.\r\n";
             f.OnBannerWarning = [&](TNetFTP&, const std::string& t) { warning = t; };
         },
         0, "", kLogin, [&](TNetFTP& f) {
             EXPECT_EQ(warning, "120 Wait a moment.");
             EXPECT_EQ(f.WelcomeReply().Text, Lines{"Ready."});
         }},
        {"421 welcome gets no QUIT", [](TScriptedFtpServer& s, TNetFTP&) { s.Greeting = "421 Too many users.\r\n"; },
         421, "Too many users.\r\n", {}, nullptr},
        {"reply code 099", [](TScriptedFtpServer& s, TNetFTP&) { s.Greeting = "099 odd\r\n"; },
         -1, "Reply Code is not valid: 099", {}, nullptr},
        {"multi-line welcome",
         [](TScriptedFtpServer& s, TNetFTP&) { s.Greeting = "220-Welcome\r\n220-second\r\n220 ready\r\n"; },
         0, "", kLogin, [](TNetFTP& f) { EXPECT_EQ(f.WelcomeReply().Text, (Lines{"Welcome", "second", "ready"})); }},
        {"a middle line with code and blank ends the reply early",
         [](TScriptedFtpServer& s, TNetFTP&) { s.Greeting = "220-one\r\n220 two\r\n220 three\r\n"; },
         // "220 three" answers HOST, so USER reads HOST's 500.
         500, "HOST not understood.\r\n", {"HOST [127.0.0.1]", "USER fwhdlx0", "QUIT"}, nullptr},
        {"HOST with a host name, answered 220",
         [](TScriptedFtpServer& s, TNetFTP& f) {
             f.Host = "localhost";
             s.Handlers["HOST"] = Reply("220 Virtual host ready.\r\n");
         },
         0, "", Concat({"HOST localhost"}, Lines(kLogin.begin() + 1, kLogin.end())),
         [](TNetFTP& f) { EXPECT_EQ(f.WelcomeReply().Text, Lines{"Virtual host ready."}); }},
        {"USER answered 230 needs no PASS", [](TScriptedFtpServer& s, TNetFTP&) { s.Handlers["USER"] = Reply("230 In.\r\n"); },
         0, "", {"HOST [127.0.0.1]", "USER fwhdlx0", "FEAT", "TYPE A", "SYST", "TYPE A"}, nullptr},
        {"PASS answered 332 without account", [](TScriptedFtpServer& s, TNetFTP&) { s.Handlers["PASS"] = Reply("332 Need account.\r\n"); },
         332, "Need account.\r\n", {"HOST [127.0.0.1]", "USER fwhdlx0", "PASS secret", "QUIT"}, nullptr},
        {"PASS answered 332, account asked for",
         [](TScriptedFtpServer& s, TNetFTP& f) {
             s.Handlers["PASS"] = Reply("332 Need account.\r\n");
             f.OnNeedAccount = [](TNetFTP&, std::string& a) { a = "billing"; };
         },
         0, "", Concat({"HOST [127.0.0.1]", "USER fwhdlx0", "PASS secret", "ACCT billing"}, Lines(kLogin.begin() + 3, kLogin.end())),
         nullptr},
        {"login refused", [](TScriptedFtpServer& s, TNetFTP&) { s.Handlers["PASS"] = Reply("530 Login incorrect.\r\n"); },
         530, "Login incorrect.\r\n", {"HOST [127.0.0.1]", "USER fwhdlx0", "PASS secret", "QUIT"}, nullptr},
        {"otp-md4 challenge",
         [](TScriptedFtpServer& s, TNetFTP& f) {
             f.Password = "This is a test.";
             s.Handlers["USER"] = Reply("331 Response to otp-md4 0 TeSt required.\r\n");
         },
         0, "", Concat({"HOST [127.0.0.1]", "USER fwhdlx0", "PASS ROME MUG FRED SCAN LIVE LACE"}, Lines(kLogin.begin() + 3, kLogin.end())),
         nullptr},
        {"otp-md5 challenge",
         [](TScriptedFtpServer& s, TNetFTP& f) {
             f.Password = "This is a test.";
             s.Handlers["USER"] = Reply("331-Challenge follows\r\n331 otp-md5 99 TeSt ext\r\n");
         },
         0, "", Concat({"HOST [127.0.0.1]", "USER fwhdlx0", "PASS BAIL TUFT BITS GANG CHEF THY"}, Lines(kLogin.begin() + 3, kLogin.end())),
         nullptr},
        {"otp-sha1 challenge",
         [](TScriptedFtpServer& s, TNetFTP& f) {
             f.Password = "OTP's are good";
             s.Handlers["USER"] = Reply("331 otp-sha1 99 correct\r\n");
         },
         0, "", Concat({"HOST [127.0.0.1]", "USER fwhdlx0", "PASS AURA ALOE HURL WING BERG WAIT"}, Lines(kLogin.begin() + 3, kLogin.end())),
         nullptr},
        {"silent server", [](TScriptedFtpServer& s, TNetFTP&) { s.Greeting = ""; },
         -1, "Read timed out.", {}, nullptr},
        {"line over 16384 bytes", [](TScriptedFtpServer& s, TNetFTP&) { s.Greeting = "220 " + std::string(17000, 'x') + "\r\n"; },
         -1, "Max line length exceeded.", {}, nullptr},
        {"binary garbage then close",
         [](TScriptedFtpServer& s, TNetFTP&) {
             s.Greeting = std::string("\x00\xff\x80\x01garbage\r\n\x7f", 13);
             s.Handlers.clear();
             s.Sessions = 1;
         },
         -1, "", {}, nullptr},
        {"no reply end, then close",
         [](TScriptedFtpServer& s, TNetFTP&) { s.Greeting = "220-never ends\r\nmore\r\n"; },
         -1, "", {}, nullptr},
        {"SYST refused, zone of a Serv-U server, UTF8 and MLST offered",
         [](TScriptedFtpServer& s, TNetFTP&) {
             s.Greeting = "220 Serv-U FTP Server v6.0 ready\r\n";
             s.Handlers["SYST"] = Reply("500 No.\r\n");
             s.Handlers["SITE"] = Reply("210 UTC-300\r\n");
             s.Handlers["FEAT"] = Reply("211-Extensions:\r\n UTF8\r\n MLST type*;size*;\r\n LANG EN*;FR\r\n211 END\r\n");
             s.Handlers["OPTS"] = [](TSession& x, const std::string& a) { x.Send(a == "UTF8 ON" ? "501 No.\r\n" : "200 Ok.\r\n"); };
         },
         0, "",
         {"HOST [127.0.0.1]", "USER fwhdlx0", "PASS secret", "FEAT", "OPTS UTF8 ON", "OPTS UTF-8 NLST", "TYPE A", "SYST",
          "SITE ZONE", "TYPE A"},
         [](TNetFTP& f) {
             EXPECT_EQ(f.SystemType(), "Unknown");
             EXPECT_TRUE(f.ServerTimeZone().GMTOffsetAvailable);
             EXPECT_DOUBLE_EQ(f.ServerTimeZone().GMTOffset, 5.0 / 24);
             EXPECT_TRUE(f.CanUseMLSD());
             EXPECT_EQ(f.LanguageList(), (Lines{"EN*", "FR"}));
             EXPECT_EQ(f.IOHandler()->DefStringEncoding, enUTF8);
             EXPECT_EQ(f.Features, (Lines{"UTF8", "MLST type*;size*;", "LANG EN*;FR"}));
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TScriptedFtpServer server;
        TNetFTP ftp;
        Configure(ftp, server);
        int disconnects = 0;
        ftp.OnDisconnected = [&](TNetComponent&) { ++disconnects; };
        c.setup(server, ftp);
        server.Start();
        try {
            ftp.Connect();
            EXPECT_EQ(c.error, 0) << "connected";
            if (c.check)
                c.check(ftp);
            ftp.Disconnect(true);
        } catch (const ENetReplyRFCError& e) {
            EXPECT_EQ(e.ErrorCode(), c.error);
            EXPECT_EQ(e.Message(), c.message);
        } catch (const ENetException& e) {
            EXPECT_EQ(c.error, -1) << e.Message();
            EXPECT_EQ(e.Message().rfind(c.message, 0), 0u) << e.Message();
        }
        EXPECT_FALSE(ftp.Connected());
        EXPECT_EQ(disconnects, 1);
        server.Join();
        Lines expected = c.commands;
        if (c.error == 0)
            expected.push_back("QUIT");
        EXPECT_EQ(server.Commands(), expected);
    }
}

// What the upload to support does, twice in one run with the same client:
// connect, CWD, ASCII type, listing, PWD, binary type, STOR, QUIT.
TEST(NetFTPTransfer, WireSequenceOfFirstAndSecondUpload)
{
    TScriptedFtpServer server;
    server.Sessions = 2;
    server.Start();
    TNetFTP ftp;
    Configure(ftp, server);
    const std::string folder = "/public_html/ftp/soft/files/tosupport";
    Lines listing;
    for (int run = 0; run < 2; ++run) {
        ftp.Connect();
        ftp.ChangeDir(folder);
        ftp.SetTransferType(ftASCII);
        ftp.List(&listing, "", true);
        EXPECT_EQ(ftp.CurrentDir(), folder);
        ftp.SetTransferType(ftBinary);
        TMemoryStream archive(std::vector<uint8_t>(1000, static_cast<uint8_t>('z' - run)));
        ftp.Put(archive, folder + "/JeanLuc-corv.zip", false);
        ftp.Disconnect(true);
    }
    server.Join();
    const Lines portLine = {"PORT"};
    Lines seen = server.Commands();
    for (auto& line : seen)
        if (line.rfind("PORT 127,0,0,1,", 0) == 0)
            line = "PORT";
    const Lines first = {"HOST [127.0.0.1]", "USER fwhdlx0", "PASS secret", "FEAT", "TYPE A", "SYST", "TYPE A",
                         "CWD " + folder, "PORT", "LIST", "PWD", "TYPE I", "PORT", "STOR " + folder + "/JeanLuc-corv.zip",
                         "QUIT"};
    const Lines second = {"HOST [127.0.0.1]", "USER fwhdlx0", "PASS secret", "FEAT", "TYPE I", "SYST", "TYPE I",
                          "CWD " + folder, "TYPE A", "PORT", "LIST", "PWD", "TYPE I", "PORT",
                          "STOR " + folder + "/JeanLuc-corv.zip", "QUIT"};
    EXPECT_EQ(seen, Concat(first, second));
    EXPECT_EQ(listing, (Lines{"drwxr-xr-x 2 ftp ftp 4096 Jan 01 00:00 sub", "-rw-r--r-- 1 ftp ftp 6 Jan 01 00:00 a.txt"}));
    ASSERT_EQ(server.Stored().size(), 2u);
    EXPECT_EQ(server.Stored()[0], std::string(1000, 'z'));
    EXPECT_EQ(server.Stored()[1], std::string(1000, 'y'));
}

TEST(NetFTPTransfer, UploadOutcomes)
{
    struct TCase {
        const char* name;
        TScriptedFtpServer::THandler stor;
        std::string content;
        // 0: Put returns; > 0: ENetReplyRFCError code; -1: the exception named by message.
        int error;
        const char* message;
        std::string stored;
    };
    const std::string big(8 << 20, 'b');
    const TCase cases[] = {
        {"empty file", TScriptedFtpServer::ReceiveFile, "", 0, "", ""},
        {"closes instead of the final reply",
         [](TSession& s, const std::string&) {
             s.Send("150 Go.\r\n");
             s.OpenData();
             std::string got = s.ReceiveData();
             s.CloseData();
             s.Close();
         },
         TenDigits(), 0, "", ""},
        {"closes right after STOR, nothing sent",
         [](TSession& s, const std::string&) { s.Close(); }, TenDigits(), -1, "Connection Closed Gracefully.", ""},
        {"no data connection, then 425",
         [](TSession& s, const std::string&) { s.Send("150 Go.\r\n425 Can't open data connection.\r\n"); },
         TenDigits(), 425, "Can't open data connection.\r\n", ""},
        {"no data connection, then 226",
         [](TSession& s, const std::string&) { s.Send("150 Go.\r\n226 Nothing.\r\n"); }, TenDigits(), -1,
         "Accept timed out.", ""},
        {"STOR refused", Reply("553 Not allowed.\r\n"), TenDigits(), 553, "Not allowed.\r\n", ""},
        {"final reply not accepted", [](TSession& s, const std::string&) {
             s.Send("150 Go.\r\n");
             s.OpenData();
             s.ReceiveData();
             s.CloseData();
             s.Send("451 Disk full.\r\n");
         }, TenDigits(), 451, "Disk full.\r\n", ""},
        {"data connection broken by the server, 426",
         [](TSession& s, const std::string&) {
             s.Send("150 Go.\r\n");
             s.OpenData();
             s.CloseData();
             s.Send("426 Aborted.\r\n");
         },
         big, 426, "Aborted.\r\n", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TScriptedFtpServer server;
        server.Handlers["STOR"] = c.stor;
        server.Start();
        TNetFTP ftp;
        Configure(ftp, server);
        ftp.Connect();
        TMemoryStream source(std::vector<uint8_t>(c.content.begin(), c.content.end()));
        source.SetPosition(3); // STOR sends from the start whatever the position
        try {
            ftp.Put(source, "/up/file.zip");
            EXPECT_EQ(c.error, 0);
        } catch (const ENetReplyRFCError& e) {
            EXPECT_EQ(e.ErrorCode(), c.error);
            EXPECT_EQ(e.Message(), c.message);
        } catch (const ENetException& e) {
            EXPECT_EQ(c.error, -1);
            EXPECT_EQ(e.Message(), c.message);
        }
        // A refused transfer leaves the control connection usable.
        if (c.error > 0) {
            EXPECT_EQ(ftp.CurrentDir(), "/public_html/ftp/soft/files/tosupport");
        }
        EXPECT_EQ(ftp.DataChannel(), nullptr);
        ftp.Disconnect(true);
        server.Join();
        if (std::string(c.name) == "empty file") {
            ASSERT_EQ(server.Stored().size(), 1u);
            EXPECT_EQ(server.Stored()[0], "");
        }
    }
}

TEST(NetFTPTransfer, ListingsAppendAndSmallRules)
{
    TScriptedFtpServer server;
    server.Handlers["FEAT"] = Reply("211-Features:\r\n MLST type*;\r\n211 End\r\n");
    server.Handlers["PWD"] = Reply("257 no quotes here\r\n");
    server.Listing = "type=dir; sub\r\ntype=file; a.txt\nlast\rline";
    server.Start();
    TNetFTP ftp;
    Configure(ftp, server);
    ftp.Connect();
    // A second connect is refused and leaves the first one alone.
    EXPECT_THROW(ftp.Connect(), ENetAlreadyConnected);
    EXPECT_TRUE(ftp.Connected());
    Lines lines;
    ftp.List(&lines, "", true);
    EXPECT_TRUE(ftp.ListResult().MachineListing);
    EXPECT_EQ(lines, (Lines{"type=dir; sub", "type=file; a.txt", "last", "line"}));
    ftp.SetTransferType(ftBinary);
    ftp.List(&lines, "*.zip", false);
    EXPECT_FALSE(ftp.ListResult().MachineListing);
    ftp.SetTransferType(ftBinary); // unchanged: sends nothing
    EXPECT_EQ(ftp.CurrentDir(), "");
    TMemoryStream source(std::vector<uint8_t>{'a', 'b', 'c', 'd'});
    source.SetPosition(2);
    ftp.Put(source, "x", true);
    EXPECT_THROW(ftp.Put(source, "", false), ENetFTPUploadFileNameCanNotBeEmpty);
    ftp.Disconnect(true);
    server.Join();
    Lines seen = server.Commands();
    for (auto& line : seen)
        if (line.rfind("PORT ", 0) == 0)
            line = "PORT";
    EXPECT_EQ(seen, Concat(kLogin, {"PORT", "MLSD", "TYPE I", "TYPE A", "PORT", "NLST *.zip", "TYPE I", "PWD", "PORT",
                                    "APPE x", "QUIT"}));
    ASSERT_EQ(server.Stored().size(), 1u);
    EXPECT_EQ(server.Stored()[0], "cd");
}

TEST(NetFTPTransfer, ListingWithoutDataConnectionFails)
{
    TScriptedFtpServer server;
    server.Handlers["LIST"] = Reply("150 Here it comes.\r\n425 No data connection.\r\n");
    server.Start();
    TNetFTP ftp;
    Configure(ftp, server);
    ftp.Connect();
    try {
        ftp.List(nullptr);
        FAIL();
    } catch (const ENetReplyRFCError& e) {
        EXPECT_EQ(e.ErrorCode(), 425);
    }
    ftp.Disconnect(true);
}

TEST(NetFTPConnect, DisconnectAfterThePeerClosed)
{
    TScriptedFtpServer server;
    // The server hangs up after the last command of the login.
    int types = 0;
    server.Handlers["TYPE"] = [&](TSession& s, const std::string&) {
        s.Send("200 Ok.\r\n");
        if (++types == 2)
            s.Close();
    };
    server.Start();
    TNetFTP ftp;
    Configure(ftp, server);
    int disconnects = 0;
    ftp.OnDisconnected = [&](TNetComponent&) { ++disconnects; };
    ftp.Connect();
    server.Join();
    ftp.Disconnect(true);
    EXPECT_EQ(disconnects, 0);
    EXPECT_EQ(server.Commands(), kLogin);
    EXPECT_FALSE(ftp.Connected());
}

TEST(NetFTPConnect, AcceptTimeoutLeavesNoListener)
{
    TNetSimpleServer listener;
    listener.BoundIP = "127.0.0.1";
    listener.BeginListen();
    EXPECT_TRUE(listener.Listening());
    try {
        listener.Listen(300);
        FAIL();
    } catch (const ENetAcceptTimeout& e) {
        EXPECT_EQ(e.Message(), "Accept timed out.");
    }
    EXPECT_FALSE(listener.Listening());
}

TEST(NetFTPConnect, RefusedConnectionSendsNothing)
{
    TNetFTP ftp;
    ftp.Host = "127.0.0.1";
    {
        TScriptedFtpServer closed;
        ftp.Port = static_cast<uint16_t>(closed.Port());
    }
    try {
        ftp.Connect();
        FAIL();
    } catch (const ENetSocketError& e) {
        EXPECT_EQ(e.LastError(), 10061);
    }
    EXPECT_FALSE(ftp.Connected());
    EXPECT_THROW(ftp.CurrentDir(), ENetNotConnected);
    ftp.Host.clear();
    EXPECT_THROW(ftp.Connect(), ENetHostRequired);
}

// Status texts and byte counts reach the client's events: connect, one
// upload (counted by the data connection, reported by the client), close.
TEST(NetFTPTransfer, StatusAndWorkEvents)
{
    TScriptedFtpServer server;
    server.Start();
    TNetFTP ftp;
    Configure(ftp, server);
    Lines statuses;
    ftp.OnStatus = [&](TNetComponent&, TNetStatus, const std::string& text) { statuses.push_back(text); };
    int64_t begun = -1, last = 0;
    int ended = 0;
    ftp.OnWorkBegin = [&](TNetComponent&, TWorkMode mode, int64_t max) {
        if (mode == wmWrite)
            begun = max;
    };
    ftp.OnWork = [&](TNetComponent&, TWorkMode mode, int64_t count) {
        if (mode == wmWrite)
            last = count;
    };
    ftp.OnWorkEnd = [&](TNetComponent&, TWorkMode mode) { ended += mode == wmWrite; };
    ftp.Connect();
    TMemoryStream source(std::vector<uint8_t>(100000, 'q'));
    ftp.Put(source, "f.zip");
    ftp.Disconnect(true);
    server.Join();
    EXPECT_EQ(statuses, (Lines{"Connecting to 127.0.0.1.", "Connected.", "Connection established", "Starting FTP transfer",
                               "Transfer complete", "Disconnecting.", "Disconnected."}));
    EXPECT_EQ(begun, 100000);
    EXPECT_EQ(last, 100000);
    EXPECT_EQ(ended, 1);
}
