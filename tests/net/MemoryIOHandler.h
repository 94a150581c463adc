// An I/O handler over bytes in memory: what a peer would send is given up
// front, what the client writes is collected. The peer "closes" when the
// bytes run out. Lets reply assembly and the login dialogue run without
// sockets (unit tests and the fuzz target).
#pragma once

#include <string>

#include "net/NetException.h"
#include "net/NetIOHandler.h"

class TMemoryIOHandler : public TNetIOHandlerSocket {
public:
    explicit TMemoryIOHandler(std::string incoming = {}) : incoming_(std::move(incoming)) {}

    std::string Written;

    void Open() override
    {
        opened_ = true;
        peerClosed_ = false;
        input_.Clear();
        input_.Write(incoming_);
    }
    void Close() override { opened_ = false; }
    bool Connected() override { return (opened_ && !peerClosed_) || !input_.Empty(); }
    bool Readable(int) override { return !input_.Empty(); }
    int FillInputBuffer(bool raiseIfDisconnected, int, bool) override
    {
        peerClosed_ = true;
        CheckForDisconnect(raiseIfDisconnected, false);
        return 0;
    }
    void CheckForDisconnect(bool raiseIfDisconnected, bool ignoreBuffer) override
    {
        if (peerClosed_ && opened_)
            Close();
        if ((peerClosed_ || !opened_) && (ignoreBuffer || input_.Empty()) && raiseIfDisconnected)
            throw ENetConnClosedGracefully();
    }

protected:
    void WriteDirect(std::span<const uint8_t> bytes) override
    {
        Written.append(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    }

private:
    std::string incoming_;
};
