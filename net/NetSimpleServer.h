// A one-shot listening endpoint: binds, listens, accepts exactly one
// connection (the active-mode data connection) and then is an ordinary
// connection over the accepted socket. The listening socket is closed
// whether or not a connection came.
#pragma once

#include "net/NetTCPConnection.h"

class TNetSimpleServer : public TNetTCPConnection {
public:
    ~TNetSimpleServer() override;

    std::string BoundIP;
    uint16_t BoundPort = 0;
    uint16_t BoundPortMin = 0;
    uint16_t BoundPortMax = 0;
    TNetIPVersion IPVersion = Net_IPv4;
    std::function<void()> OnBeforeBind;
    std::function<void()> OnAfterBind;

    // The handler's socket: the listening address until Listen, then the accepted one.
    TNetSocketHandle* Binding();
    void BeginListen();
    // Waits up to timeoutMs (-1: without limit) for one inbound connection;
    // ENetAcceptTimeout when none came.
    void Listen(int timeoutMs);
    void Abort() { abort_ = true; }
    bool Listening() const { return listenHandle_ >= 0; }

private:
    void CloseListenHandle();

    int listenHandle_ = -1;
    bool abort_ = false;
};
