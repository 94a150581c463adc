#include "net/NetSocketHandle.h"

#include <cstdio>

#include "net/NetException.h"

TNetSocketHandle::~TNetSocketHandle()
{
    CloseSocket();
}

void TNetSocketHandle::SetIPVersion(TNetIPVersion version)
{
    if (version == version_)
        return;
    if (allocated_)
        throw ENetCannotSetIPVersionWhenConnected();
    version_ = version;
}

void TNetSocketHandle::AllocateSocket()
{
    CloseSocket();
    handle_ = TNetStack::Instance().NewSocket(version_);
    allocated_ = true;
}

bool TNetSocketHandle::TryBind(uint16_t port)
{
    try {
        TNetStack::Instance().Bind(handle_, IP, port);
        UpdateBindingLocal();
        return true;
    } catch (const ENetSocketError&) {
        return false;
    }
}

void TNetSocketHandle::Bind()
{
    if (Port != 0 || ClientPortMin == 0 || ClientPortMax == 0) {
        if (!TryBind(Port))
            throw ENetCouldNotBindSocket();
        return;
    }
    char message[80];
    if (ClientPortMax < ClientPortMin) {
        std::snprintf(message, sizeof message, "Invalid Port Range (%d - %d)", ClientPortMin, ClientPortMax);
        throw ENetInvalidPortRange(message);
    }
    for (int port = ClientPortMax; port >= ClientPortMin; --port)
        if (TryBind(static_cast<uint16_t>(port)))
            return;
    std::snprintf(message, sizeof message, "Can not bind in port range (%d - %d)", ClientPortMin, ClientPortMax);
    throw ENetCanNotBindPortInRange(message);
}

void TNetSocketHandle::Connect(const std::string& peerIP, uint16_t peerPort, int timeoutMs)
{
    peerIP_ = peerIP;
    peerPort_ = peerPort;
    TNetStack::Instance().Connect(handle_, peerIP, peerPort, timeoutMs);
    UpdateBindingLocal();
    UpdateBindingPeer();
}

void TNetSocketHandle::Listen(int backlog)
{
    TNetStack::Instance().Listen(handle_, backlog);
}

void TNetSocketHandle::Accept(int listenHandle)
{
    CloseSocket();
    std::string ip;
    uint16_t port = 0;
    handle_ = TNetStack::Instance().Accept(listenHandle, ip, port);
    allocated_ = true;
    peerIP_ = ip;
    peerPort_ = port;
    UpdateBindingLocal();
}

size_t TNetSocketHandle::Send(std::span<const uint8_t> bytes)
{
    return TNetStack::Instance().Send(handle_, bytes);
}

size_t TNetSocketHandle::Receive(std::span<uint8_t> bytes)
{
    return TNetStack::Instance().Receive(handle_, bytes);
}

bool TNetSocketHandle::Readable(int timeoutMs)
{
    if (!allocated_)
        throw ENetConnClosedGracefully();
    return TNetStack::Instance().Readable(handle_, timeoutMs);
}

void TNetSocketHandle::SetSocketOption(int level, int option, int value)
{
    TNetStack::Instance().SetSocketOption(handle_, level, option, value);
}

void TNetSocketHandle::CloseSocket()
{
    std::lock_guard guard(lock_);
    if (handle_ < 0)
        return;
    allocated_ = false;
    TNetStack::Instance().ShutdownAndClose(handle_);
    handle_ = -1;
}

int TNetSocketHandle::Detach()
{
    std::lock_guard guard(lock_);
    const int handle = handle_;
    handle_ = -1;
    allocated_ = false;
    return handle;
}

void TNetSocketHandle::Reset()
{
    CloseSocket();
    IP.clear();
    Port = 0;
    peerIP_.clear();
    peerPort_ = 0;
}

void TNetSocketHandle::UpdateBindingLocal()
{
    std::lock_guard guard(lock_);
    TNetStack::Instance().LocalAddress(handle_, IP, Port);
}

void TNetSocketHandle::UpdateBindingPeer()
{
    std::lock_guard guard(lock_);
    TNetStack::Instance().RemoteAddress(handle_, peerIP_, peerPort_);
}
