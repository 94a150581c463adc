#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "MemoryIOHandler.h"
#include "net/NetException.h"
#include "net/NetReply.h"
#include "net/NetTCPConnection.h"

namespace {

using Lines = std::vector<std::string>;

// A command connection whose peer sends the given bytes.
struct TScriptedConnection {
    TNetTCPConnection connection;
    TMemoryIOHandler* handler;
    explicit TScriptedConnection(const std::string& incoming)
    {
        auto h = std::make_unique<TMemoryIOHandler>(incoming);
        handler = h.get();
        connection.SetIOHandler(std::move(h));
        handler->Open();
    }
};

class TFtpConnection : public TNetTCPConnection {
protected:
    std::unique_ptr<TNetReply> MakeReply() const override { return std::make_unique<TNetReplyFTP>(); }
};

struct TAssemblyCase {
    const char* name;
    const char* wire;
    int code;
    Lines text;
    // What the next reply read returns (0: nothing follows).
    int nextCode;
};

} // namespace

TEST(NetReplyFTP, AssemblyFromTheWire)
{
    const TAssemblyCase cases[] = {
        {"three-line", "220-Welcome\r\n220-second\r\n220 ready\r\n", 220, {"Welcome", "second", "ready"}, 0},
        {"bare code", "220\r\n", 220, {""}, 0},
        {"empty lines skipped", "\r\n  \r\n230 ok\r\n", 230, {"ok"}, 0},
        {"lf only and blanks trimmed", "  211-Features:\n MDTM\n211 End  \n", 211, {"Features:", "MDTM", "End"}, 0},
        {"middle line ends the reply", "220-one\r\n 220 two\r\n220 three\r\n", 220, {"one", "two"}, 220},
        {"continuation without code", "230-hello\r\nplain text\r\n230 done\r\n", 230, {"hello", "plain text", "done"}, 0},
        {"end line of another code", "220-a\r\n221 b\r\n", 220, {"a", "221 b"}, 0},
        {"lone CR stays in the line", "250 a\rb\r\n", 250, {"a\rb"}, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TMemoryIOHandler* handler = nullptr;
        TFtpConnection connection;
        {
            auto h = std::make_unique<TMemoryIOHandler>(c.wire);
            handler = h.get();
            connection.SetIOHandler(std::move(h));
        }
        handler->Open();
        EXPECT_EQ(connection.ReadReply(), c.code);
        EXPECT_EQ(connection.LastReply().Text, c.text);
        if (c.nextCode)
            EXPECT_EQ(connection.ReadReply(), c.nextCode);
        else
            EXPECT_THROW(connection.ReadReply(), ENetConnClosedGracefully);
    }
}

TEST(NetReplyFTP, InvalidCodesRaise)
{
    for (const char* wire : {"099 too low\r\n", "099\r\n", "12\r\n", "000-a\r\n000 b\r\n"}) {
        SCOPED_TRACE(wire);
        TFtpConnection connection;
        auto h = std::make_unique<TMemoryIOHandler>(wire);
        auto* handler = h.get();
        connection.SetIOHandler(std::move(h));
        handler->Open();
        try {
            connection.ReadReply();
            FAIL() << "no exception";
        } catch (const ENetException& e) {
            EXPECT_EQ(e.Message().rfind("Reply Code is not valid: ", 0), 0u) << e.Message();
        }
    }
    TNetReplyFTP reply;
    EXPECT_THROW(reply.SetCode("099"), ENetException);
    try {
        reply.SetCode("099");
    } catch (const ENetException& e) {
        EXPECT_EQ(e.Message(), "Reply Code is not valid: 099");
    }
}

TEST(NetReplyFTP, CodeNotAllowedRaisesTheReplyText)
{
    TScriptedConnection s("550-No such file\r\n550 or folder.\r\n");
    try {
        s.connection.ReadReply({200, 250});
        FAIL();
    } catch (const ENetReplyRFCError& e) {
        EXPECT_EQ(e.ErrorCode(), 550);
        EXPECT_EQ(e.Message(), "No such file\r\nor folder.\r\n");
    }
    EXPECT_EQ(s.connection.LastReply().NumericCode(), 550);
}

TEST(NetReplyFTP, FormattedForms)
{
    TNetReplyFTP reply;
    reply.Parse({"220-first", " middle", "220 last"});
    EXPECT_EQ(reply.ReplyFormat, rfIndentMidLines);
    EXPECT_EQ(reply.FormattedReply(), (Lines{"220-first", " middle", "220 last"}));
    reply.ReplyFormat = rfNormal;
    EXPECT_EQ(reply.FormattedReply(), (Lines{"220-first", "220-middle", "220 last"}));
    reply.Parse({"230"});
    reply.Text.clear();
    EXPECT_EQ(reply.FormattedReply(), Lines{"230"});

    TNetReplyRFC rfc;
    rfc.Parse({"250-one", "250 two"});
    EXPECT_EQ(rfc.Code(), "250");
    EXPECT_EQ(rfc.Text, (Lines{"one", "two"}));
}

TEST(NetTCPConnection, CommandsAreLinesAndRepliesAreChecked)
{
    TScriptedConnection s("200 ok\r\n");
    EXPECT_EQ(s.connection.SendCommand("NOOP", {200}), 200);
    EXPECT_EQ(s.handler->Written, "NOOP\r\n");
    TNetTCPConnection none;
    EXPECT_THROW(none.SendCommand("NOOP"), ENetNotConnected);
    EXPECT_THROW(none.ReadReply(), ENetNotConnected);
}
