// Whatever a server sends, reply assembly and the login dialogue (with FEAT
// parsing) end normally or in the network exception family. The first byte
// picks the target, the rest is the server's byte stream.
#include <cstddef>
#include <cstdint>
#include <string>

#include "MemoryIOHandler.h"
#include "net/NetException.h"
#include "net/NetFTP.h"

namespace {

class TFtpReplies : public TNetTCPConnection {
protected:
    std::unique_ptr<TNetReply> MakeReply() const override { return std::make_unique<TNetReplyFTP>(); }
};

void ReadAllReplies(const std::string& wire)
{
    TFtpReplies connection;
    auto handler = std::make_unique<TMemoryIOHandler>(wire);
    auto* raw = handler.get();
    connection.SetIOHandler(std::move(handler));
    raw->MaxLineLength = 64; // reach the line limit with small inputs
    raw->Open();
    for (int i = 0; i < 1000; ++i) {
        try {
            connection.ReadReply({200, 220});
            (void)connection.LastReply().FormattedReply();
        } catch (const ENetReplyRFCError&) {
            (void)connection.LastReply().FormattedReply();
        } catch (const ENetConnClosedGracefully&) {
            return;
        } catch (const ENetException&) {
            if (!connection.Connected())
                return;
        }
    }
}

void LogIn(const std::string& wire)
{
    TNetFTP ftp;
    auto handler = std::make_unique<TMemoryIOHandler>(wire);
    ftp.SetIOHandler(std::move(handler));
    ftp.Host = "ftp.example";
    ftp.Username = "user";
    ftp.Password = "pass";
    try {
        ftp.Connect();
        (void)ftp.IsFeature("MLST");
        (void)ftp.FeatureFacts("SITE");
        (void)ftp.CurrentDir();
        ftp.ChangeDir("/x");
    } catch (const ENetException&) {
    }
    try {
        ftp.Disconnect(true);
    } catch (const ENetException&) {
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    const std::string wire(reinterpret_cast<const char*>(data + 1), size - 1);
    if (data[0] & 1)
        LogIn(wire);
    else
        ReadAllReplies(wire);
    return 0;
}
