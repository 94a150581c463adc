// A command connection: an I/O handler, numbered replies, commands sent as
// lines, and a disconnect that may notify the peer first.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "net/NetIOHandler.h"
#include "net/NetReply.h"

using TNetReplyCodes = std::vector<int16_t>;

class TNetTCPConnection : public TNetComponent {
public:
    TNetTCPConnection() = default;
    ~TNetTCPConnection() override;

    TNotifyEvent OnDisconnected;
    // Every line written as a command, and every reply read (diagnostics).
    std::function<void(const std::string& line)> OnCommandSent;
    std::function<void(const TNetReply& reply)> OnReplyRead;

    TNetIOHandler* IOHandler() const { return handler_; }
    // The same handler as a socket handler; null when it has no socket.
    TNetIOHandlerSocket* Socket() const { return dynamic_cast<TNetIOHandlerSocket*>(handler_); }
    // Takes ownership when owned is true; the previous owned handler is freed.
    virtual void SetIOHandler(TNetIOHandler* handler, bool owned);
    void SetIOHandler(std::unique_ptr<TNetIOHandler> handler);

    TNetReply& WelcomeReply();
    TNetReply& LastReply();

    virtual bool Connected();
    // Always closes an open handler (firing OnDisconnected), even when notifying the peer fails.
    virtual void Disconnect(bool notifyPeer = true);
    // An empty list accepts any code. Returns the numeric code.
    int SendCommand(const std::string& command, const TNetReplyCodes& allowed = {},
                    TNetTextEncoding encoding = enDefault);
    int ReadReply(const TNetReplyCodes& allowed = {}, TNetTextEncoding encoding = enDefault);
    int CheckReplyCode(int code, const TNetReplyCodes& allowed);
    [[noreturn]] void RaiseExceptionForLastCmdResult();

protected:
    virtual std::unique_ptr<TNetReply> MakeReply() const;
    virtual void PrepareCommand(std::string&) {}
    virtual void NotifyPeerOfDisconnect() {}
    virtual void DoOnDisconnected();
    // Writes one command line (the only path commands take to the wire).
    void WriteCommand(const std::string& line, TNetTextEncoding encoding = enDefault);
    void ReadReplyLines(TNetReply& reply, TNetTextEncoding encoding);
    void FreeOwnedHandler();

    TNetIOHandler* handler_ = nullptr;
    std::unique_ptr<TNetIOHandler> ownedHandler_;

private:
    std::unique_ptr<TNetReply> welcome_;
    std::unique_ptr<TNetReply> last_;
};

class TNetTCPClientCustom : public TNetTCPConnection {
public:
    std::string Host;
    uint16_t Port = 0;
    TNetIPVersion IPVersion = Net_IPv4;
    std::string BoundIP;
    uint16_t BoundPort = 0;
    uint16_t BoundPortMin = 0;
    uint16_t BoundPortMax = 0;
    int ConnectTimeout = 0;
    TNetReuseSocket ReuseSocket = rsOSDependent;
    TNotifyEvent OnConnected;
    std::function<void()> OnBeforeBind;
    std::function<void()> OnAfterBind;
    std::function<void()> OnSocketAllocated;

    int ReadTimeout() const { return readTimeout_; }
    // Milliseconds; -1 and 0 wait without limit. Reaches a live handler too.
    void SetReadTimeout(int ms);

    virtual void Connect();

protected:
    int readTimeout_ = -1;
};

class TNetTCPClient : public TNetTCPClientCustom {};
