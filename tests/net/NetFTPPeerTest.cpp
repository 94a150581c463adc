// The FTP client against real servers on 127.0.0.1.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <random>

#include "PeerFtpServer.h"
#include "net/NetException.h"
#include "net/NetFTP.h"
#include "tests/support/FileContents.h"

namespace {

using Lines = std::vector<std::string>;

void WriteRandomFile(const std::string& path, size_t size)
{
    std::mt19937 random(12345);
    std::string bytes(size, '\0');
    for (auto& b : bytes)
        b = static_cast<char>(random() & 0xFF);
    std::ofstream(path, std::ios::binary) << bytes;
}

bool Contains(const Lines& lines, const std::string& name)
{
    return std::any_of(lines.begin(), lines.end(), [&](const std::string& l) {
        return l.size() >= name.size() && l.compare(l.size() - name.size(), name.size(), name) == 0;
    });
}

// The client pointed at server, logging in as its user.
void Configure(TNetFTP& ftp, const TPeerFtpServer& server)
{
    ftp.Host = "127.0.0.1";
    ftp.Port = static_cast<uint16_t>(server.Port());
    ftp.Username = server.User;
    ftp.Password = server.Password;
    ftp.SetReadTimeout(10000);
}

struct TPeer {
    const char* name;
    std::unique_ptr<TPeerFtpServer> (*start)(const std::string&, std::string&);
    // The server's name for the test's root folder ("" when it is "/").
    bool rootIsSlash;
};

const TPeer kPeers[] = {
    {"pyftpdlib", TPeerFtpServer::StartPyftpdlib, true},
    {"vsftpd", TPeerFtpServer::StartVsftpd, false},
};

} // namespace

class NetFTPPeer : public testing::TestWithParam<TPeer> {};

TEST_P(NetFTPPeer, LoginListTypeStoreQuit)
{
    TTempFolder root;
    std::filesystem::create_directories(root.Path() + "/sub");
    std::ofstream(root.Path() + "/sub/already.txt") << "x";
    std::string whyNot;
    const auto server = GetParam().start(root.Path(), whyNot);
    if (!server)
        GTEST_SKIP() << GetParam().name << ": " << whyNot;
    const std::string folder = (GetParam().rootIsSlash ? std::string() : root.Path()) + "/sub";

    TNetFTP ftp;
    Configure(ftp, *server);
    ftp.ListenTimeout = 5000;
    ftp.Connect();
    ftp.ChangeDir(folder);
    EXPECT_EQ(ftp.CurrentDir(), folder);

    Lines listing;
    ftp.List(&listing, "", true);
    EXPECT_TRUE(Contains(listing, "already.txt")) << testing::PrintToString(listing);
    EXPECT_EQ(ftp.ListResult().MachineListing, ftp.CanUseMLSD());
    ftp.UseMLIS = false;
    ftp.List(&listing, "", true);
    EXPECT_FALSE(ftp.ListResult().MachineListing);
    EXPECT_TRUE(Contains(listing, "already.txt"));

    ftp.SetTransferType(ftBinary);
    const std::string big = root.Path() + ".big";
    WriteRandomFile(big, 10 << 20);
    TMemoryStream empty;
    ftp.Put(empty, "empty.zip");
    ftp.Put(big, folder + "/big.zip");
    EXPECT_EQ(ftp.TransferType(), ftBinary);
    ftp.Disconnect(true);
    EXPECT_FALSE(ftp.Connected());

    ASSERT_TRUE(std::filesystem::exists(root.Path() + "/sub/empty.zip"));
    EXPECT_EQ(std::filesystem::file_size(root.Path() + "/sub/empty.zip"), 0u);
    EXPECT_TRUE(ReadFileText(root.Path() + "/sub/big.zip") == ReadFileText(big)) << "10 MB upload differs";
    std::filesystem::remove(big);
}

TEST_P(NetFTPPeer, RefusedLoginAndMissingFolder)
{
    TTempFolder root;
    std::string whyNot;
    const auto server = GetParam().start(root.Path(), whyNot);
    if (!server)
        GTEST_SKIP() << GetParam().name << ": " << whyNot;
    TNetFTP ftp;
    Configure(ftp, *server);
    ftp.Connect();
    EXPECT_THROW(ftp.ChangeDir("/no/such/folder"), ENetReplyRFCError);
    EXPECT_TRUE(ftp.Connected());
    EXPECT_THROW(ftp.Put(root.Path() + "/not-there", "x.zip"), EStreamError);
    ftp.Disconnect(true);
    if (std::string(GetParam().name) == "pyftpdlib") {
        ftp.Password = "wrong";
        try {
            ftp.Connect();
            FAIL();
        } catch (const ENetReplyRFCError& e) {
            EXPECT_EQ(e.ErrorCode(), 530);
        }
        EXPECT_FALSE(ftp.Connected());
    }
}

INSTANTIATE_TEST_SUITE_P(Servers, NetFTPPeer, testing::ValuesIn(kPeers),
                         [](const testing::TestParamInfo<TPeer>& info) { return std::string(info.param.name); });

// The upload's sequence of commands, twice in one run, as a real server
// that records what it receives saw it. pyftpdlib offers UTF8 and MLST, so
// the sequence carries the OPTS commands and MLSD.
TEST(NetFTPPeerWire, FirstAndSecondUploadAsRecorded)
{
    TTempFolder root;
    const std::string folder = "/public_html/ftp/soft/files/tosupport";
    std::filesystem::create_directories(root.Path() + folder);
    std::string whyNot;
    const auto server = TPeerFtpServer::StartPyftpdlib(root.Path(), whyNot);
    if (!server)
        GTEST_SKIP() << whyNot;
    TNetFTP ftp;
    Configure(ftp, *server);
    ftp.ListenTimeout = 5000;
    for (int run = 0; run < 2; ++run) {
        ftp.Connect();
        ftp.ChangeDir(folder);
        ftp.SetTransferType(ftASCII);
        ftp.List(nullptr, "", true);
        ASSERT_EQ(ftp.CurrentDir(), folder);
        ftp.SetTransferType(ftBinary);
        TMemoryStream archive(std::vector<uint8_t>(5000, static_cast<uint8_t>(run)));
        ftp.Put(archive, folder + "/JeanLuc-corv.zip");
        ftp.Disconnect(true);
    }
    Lines seen;
    std::ifstream in(server->RecordFile);
    for (std::string line; std::getline(in, line);)
        seen.push_back(line.rfind("PORT 127,0,0,1,", 0) == 0 ? "PORT" : line);
    const std::string stor = "STOR " + folder + "/JeanLuc-corv.zip";
    const Lines first = {"HOST [127.0.0.1]", "USER fwhdlx0", "PASS secret", "FEAT", "OPTS UTF8 ON", "OPTS UTF-8 NLST",
                         "TYPE A", "SYST", "TYPE A", "CWD " + folder, "PORT", "MLSD", "PWD", "TYPE I", "PORT", stor, "QUIT"};
    Lines expected = first;
    const Lines second = {"HOST [127.0.0.1]", "USER fwhdlx0", "PASS secret", "FEAT", "OPTS UTF8 ON", "OPTS UTF-8 NLST",
                          "TYPE I", "SYST", "TYPE I", "CWD " + folder, "TYPE A", "PORT", "MLSD", "PWD", "TYPE I", "PORT",
                          stor, "QUIT"};
    expected.insert(expected.end(), second.begin(), second.end());
    EXPECT_EQ(seen, expected);
    EXPECT_EQ(ReadFileText(root.Path() + folder + "/JeanLuc-corv.zip"), std::string(5000, '\x01'));
}
