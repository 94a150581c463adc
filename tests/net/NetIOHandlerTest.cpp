#include <gtest/gtest.h>

#include <chrono>
#include <netdb.h>
#include <sys/socket.h>
#include <unistd.h>

#include "Loopback.h"
#include "net/NetEncoding.h"
#include "net/NetException.h"
#include "net/NetIOHandler.h"

namespace {

// A raw loopback peer and a handler connected to it.
class TPeer {
public:
    TPeer()
    {
        int port = 0;
        listener_ = ListenOnLoopback(1, port);
        handler.Host = "127.0.0.1";
        handler.Port = static_cast<uint16_t>(port);
        handler.Open();
        peer_ = accept(listener_, nullptr, nullptr);
        close(listener_);
    }
    ~TPeer()
    {
        ClosePeer();
        handler.Close();
    }
    void Send(const std::string& bytes) { ASSERT_EQ(send(peer_, bytes.data(), bytes.size(), 0), static_cast<ssize_t>(bytes.size())); }
    std::string ReceiveAll()
    {
        std::string out;
        char buffer[4096];
        ssize_t n;
        while ((n = recv(peer_, buffer, sizeof buffer, 0)) > 0)
            out.append(buffer, static_cast<size_t>(n));
        return out;
    }
    void ClosePeer()
    {
        if (peer_ >= 0)
            close(peer_);
        peer_ = -1;
    }

    TNetIOHandlerStack handler;

private:
    int listener_ = -1;
    int peer_ = -1;
};

} // namespace

TEST(NetIOHandler, LineEndings)
{
    TPeer p;
    p.Send("crlf\r\nlf only\nlone\rcr\n\r\n");
    EXPECT_EQ(p.handler.ReadLine(), "crlf");
    EXPECT_EQ(p.handler.ReadLine(), "lf only");
    EXPECT_EQ(p.handler.ReadLine(), "lone\rcr");
    EXPECT_EQ(p.handler.ReadLine(), "");
    EXPECT_FALSE(p.handler.ReadLnTimedOut());
}

TEST(NetIOHandler, MaxLineLength)
{
    struct TCase {
        size_t length;
        TNetMaxLineAction action;
        bool raises;
    };
    // The limit counts every byte before the LF, a CR included.
    for (const TCase c : {TCase{16383, maException, false}, TCase{16384, maException, true},
                          TCase{40000, maException, true}, TCase{16385, maSplit, false}}) {
        SCOPED_TRACE(c.length);
        TPeer p;
        p.handler.MaxLineAction = c.action;
        p.Send(std::string(c.length, 'x') + "\r\nnext\r\n");
        if (c.raises) {
            try {
                p.handler.ReadLine();
                FAIL();
            } catch (const ENetReadLnMaxLineLengthExceeded& e) {
                EXPECT_EQ(e.Message(), "Max line length exceeded.");
            }
        } else if (c.action == maSplit) {
            EXPECT_EQ(p.handler.ReadLine().size(), 16384u);
            EXPECT_TRUE(p.handler.ReadLnSplit());
            EXPECT_EQ(p.handler.ReadLine(), "x");
            EXPECT_EQ(p.handler.ReadLine(), "next");
        } else {
            EXPECT_EQ(p.handler.ReadLine().size(), c.length);
            EXPECT_EQ(p.handler.ReadLine(), "next");
        }
    }
}

TEST(NetIOHandler, EndlessLineFailsWithoutWaitingForItsEnd)
{
    TPeer p;
    p.handler.ReadTimeout = 5000;
    p.Send(std::string(20000, 'x'));
    const auto start = std::chrono::steady_clock::now();
    EXPECT_THROW(p.handler.ReadLine(), ENetReadLnMaxLineLengthExceeded);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(4000));
}

TEST(NetIOHandler, NonEmptyLinesAreTrimmed)
{
    TPeer p;
    p.Send("\r\n  \r\n\t\x01\r\n  220 hello \t\r\n");
    EXPECT_EQ(p.handler.ReadNonEmptyLine(), "220 hello");
    p.Send("\r\n\r\n\r\n");
    EXPECT_THROW(p.handler.ReadNonEmptyLine(2), ENetReadLnWaitMaxAttemptsExceeded);
}

TEST(NetIOHandler, PeerCloseAndTimeouts)
{
    {
        // A partial line left by a closing peer is not returned.
        TPeer p;
        p.Send("complete\r\npartial");
        p.ClosePeer();
        EXPECT_EQ(p.handler.ReadLine(), "complete");
        EXPECT_TRUE(p.handler.Connected()); // "partial" is still buffered
        EXPECT_THROW(p.handler.ReadLine(), ENetConnClosedGracefully);
        // Closed by now, though the buffered bytes still count as connected.
        EXPECT_FALSE(p.handler.Opened());
    }
    {
        TPeer p;
        p.handler.ReadTimeout = 150;
        const auto start = std::chrono::steady_clock::now();
        try {
            p.handler.ReadNonEmptyLine();
            FAIL();
        } catch (const ENetReadTimeout& e) {
            EXPECT_EQ(e.Message(), "Read timed out.");
        }
        EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(140));
        // Timed out, the handler stays usable.
        p.Send("late\r\n");
        EXPECT_EQ(p.handler.ReadNonEmptyLine(), "late");
    }
}

TEST(NetIOHandler, WriteStreamSizes)
{
    struct TCase {
        int64_t position;
        int64_t size;
        std::string sent;
    };
    const std::string content = "0123456789";
    for (const TCase& c : {TCase{5, 0, "0123456789"}, TCase{5, -1, "56789"}, TCase{2, 3, "234"}}) {
        SCOPED_TRACE(c.size);
        TPeer p;
        TMemoryStream stream(std::vector<uint8_t>(content.begin(), content.end()));
        stream.SetPosition(c.position);
        p.handler.WriteStream(stream, c.size);
        p.handler.Close();
        EXPECT_EQ(p.ReceiveAll(), c.sent);
    }
    TPeer p;
    TMemoryStream shortStream(std::vector<uint8_t>(3, 'a'));
    EXPECT_THROW(p.handler.WriteStream(shortStream, 10), ENetNoDataToRead);
}

TEST(NetIOHandler, ReadStreamUntilDisconnect)
{
    TPeer p;
    std::string bytes;
    for (int i = 0; i < 200000; ++i)
        bytes += static_cast<char>(i * 7);
    p.Send(bytes);
    p.ClosePeer();
    TMemoryStream received;
    p.handler.ReadStream(received, -1, true);
    EXPECT_EQ(std::string(received.Bytes().begin(), received.Bytes().end()), bytes);
}

TEST(NetIOHandler, ConnectFailures)
{
    const uint16_t nobodyListens = static_cast<uint16_t>(FreeLoopbackPort());
    TNetIOHandlerStack handler;
    handler.Host = "localhost";
    handler.Port = nobodyListens;
    try {
        handler.Open();
        FAIL();
    } catch (const ENetSocketError& e) {
        EXPECT_EQ(e.LastError(), 10061);
        EXPECT_EQ(e.Message(), "Socket Error # 10061\r\nConnection refused.");
    }
    EXPECT_FALSE(handler.Connected());

    TNetIOHandlerStack range;
    range.Host = "127.0.0.1";
    range.Port = nobodyListens;
    range.BoundPortMin = 2000;
    range.BoundPortMax = 1000;
    try {
        range.Open();
        FAIL();
    } catch (const ENetInvalidPortRange& e) {
        EXPECT_EQ(e.Message(), "Invalid Port Range (2000 - 1000)");
    }
}

TEST(NetStack, AddressesAndErrorCodes)
{
    TNetStackUser user;
    TNetStack& stack = TNetStack::Instance();
    for (const char* name : {"localhost", "LOCALHOST", "LocalHost"})
        EXPECT_EQ(stack.ResolveHost(name, Net_IPv4), "127.0.0.1");
    EXPECT_EQ(stack.ResolveHost("10.0.0.1", Net_IPv4), "10.0.0.1");
    struct TAddress {
        const char* text;
        bool numeric;
    };
    for (const auto& c : {TAddress{"10.0.0.1", true}, TAddress{"255.255.255.255", true}, TAddress{"300.1.1.1", false},
                          TAddress{"1.2.3", false}, TAddress{"1.2.3.4.", false}, TAddress{"1.2.3.4 ", false},
                          TAddress{"01.2.3.4", true}, TAddress{"1.2.3.0004", false}, TAddress{"", false}}) {
        EXPECT_EQ(TNetStackBSDBase::IsIPv4Address(c.text), c.numeric) << c.text;
    }
    struct TCode {
        int error;
        int code;
    };
    for (const auto& c : {TCode{EAI_NONAME, 11001}, TCode{EAI_AGAIN, 11002}, TCode{EAI_FAIL, 11003},
                          TCode{EAI_BADFLAGS, 10022}, TCode{EAI_FAMILY, 10047}, TCode{EAI_SOCKTYPE, 10044},
                          TCode{EAI_MEMORY, 8}, TCode{EAI_SERVICE, 10109}}) {
        EXPECT_EQ(NetResolverErrorToCode(c.error, 0), c.code) << c.error;
    }
    EXPECT_EQ(ENetSocketError(11001).Message(), "Socket Error # 11001\r\nHost not found.");
    EXPECT_EQ(ENetSocketError(12345).Message(), "Socket Error # 12345\r\n");
    EXPECT_EQ(NetErrnoToCode(ECONNRESET), 10054);
    EXPECT_EQ(NetErrnoToCode(EPIPE), 10058);
    EXPECT_THROW(NetRaiseSocketError(10038), ENetNotASocket);
}

TEST(NetEncoding, WireForms)
{
    const std::string text = "caf\xC3\xA9 \xE2\x82\xAC";  // "café €"
    EXPECT_EQ(NetEncodeText(text, enLatin1), "caf\xE9 ?");
    EXPECT_EQ(NetEncodeText(text, enASCII), "caf? ?");
    EXPECT_EQ(NetEncodeText(text, enUTF8), text);
    const std::string latin = "caf\xE9";
    const std::span<const uint8_t> bytes(reinterpret_cast<const uint8_t*>(latin.data()), latin.size());
    EXPECT_EQ(NetDecodeText(bytes, enLatin1), "caf\xC3\xA9");
    EXPECT_EQ(NetDecodeText(bytes, enUTF8), "caf?");
    EXPECT_EQ(NetDecodeText(bytes, enASCII), "caf?");
    const std::string overlong = "\xC0\xAF\xED\xA0\x80";
    EXPECT_EQ(NetEncodeText(overlong, enUTF8), "?????");
}
