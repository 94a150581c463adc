// One socket and its addresses: what an I/O handler binds, connects,
// listens or accepts with.
#pragma once

#include <cstdint>
#include <mutex>
#include <span>
#include <string>

#include "net/NetStack.h"

class TNetSocketHandle {
public:
    TNetSocketHandle() = default;
    ~TNetSocketHandle();
    TNetSocketHandle(const TNetSocketHandle&) = delete;
    TNetSocketHandle& operator=(const TNetSocketHandle&) = delete;

    // Local address to bind (empty: any) and the port or range to try.
    std::string IP;
    uint16_t Port = 0;
    uint16_t ClientPortMin = 0;
    uint16_t ClientPortMax = 0;
    bool BroadcastEnabled = false;

    int Handle() const { return handle_; }
    bool HandleAllocated() const { return allocated_; }
    const std::string& PeerIP() const { return peerIP_; }
    uint16_t PeerPort() const { return peerPort_; }
    TNetIPVersion IPVersion() const { return version_; }
    void SetIPVersion(TNetIPVersion version);

    void AllocateSocket();
    // Binds by the rules: a fixed port (or an open range) once, else each
    // port of the range from the top down.
    void Bind();
    void Connect(const std::string& peerIP, uint16_t peerPort, int timeoutMs);
    void Listen(int backlog);
    // Takes over the connection waiting on listenHandle.
    void Accept(int listenHandle);
    size_t Send(std::span<const uint8_t> bytes);
    size_t Receive(std::span<uint8_t> bytes);
    // A handle-less binding raises ENetConnClosedGracefully.
    bool Readable(int timeoutMs);
    void SetSocketOption(int level, int option, int value);
    // Shuts sending down and closes; the handle becomes -1.
    void CloseSocket();
    // Gives the socket up to the caller without closing it; returns it.
    int Detach();
    // Forgets handle and addresses (after the socket is closed).
    void Reset();
    void UpdateBindingLocal();
    void UpdateBindingPeer();

private:
    bool TryBind(uint16_t port);

    std::mutex lock_;
    int handle_ = -1;
    bool allocated_ = false;
    std::string peerIP_;
    uint16_t peerPort_ = 0;
    TNetIPVersion version_ = Net_IPv4;
};
