#include "net/NetSimpleServer.h"

#include "net/NetException.h"

namespace {
constexpr int kAcceptPollMs = 1000;
}

TNetSimpleServer::~TNetSimpleServer()
{
    CloseListenHandle();
}

TNetSocketHandle* TNetSimpleServer::Binding()
{
    auto* socket = Socket();
    return socket ? socket->Binding() : nullptr;
}

void TNetSimpleServer::CloseListenHandle()
{
    if (listenHandle_ >= 0) {
        TNetStack::Instance().ShutdownAndClose(listenHandle_);
        listenHandle_ = -1;
    }
}

void TNetSimpleServer::BeginListen()
{
    if (!handler_)
        SetIOHandler(std::make_unique<TNetIOHandlerStack>());
    auto* socket = Socket();
    if (!socket)
        throw ENetNotConnected();
    if (!socket->Binding()) {
        abort_ = false;
        socket->Host.clear();
        socket->Open();
    }
    TNetSocketHandle& binding = *socket->Binding();
    try {
        if (OnBeforeBind)
            OnBeforeBind();
        binding.SetIPVersion(IPVersion);
        binding.AllocateSocket();
        binding.IP = BoundIP;
        binding.Port = BoundPort;
        binding.ClientPortMin = BoundPortMin;
        binding.ClientPortMax = BoundPortMax;
        binding.Bind();
        if (OnAfterBind)
            OnAfterBind();
        binding.Listen(1);
        // The binding keeps the address; the listening socket is ours from here.
        listenHandle_ = binding.Detach();
    } catch (...) {
        binding.CloseSocket();
        listenHandle_ = -1;
        throw;
    }
}

void TNetSimpleServer::Listen(int timeoutMs)
{
    if (listenHandle_ < 0)
        BeginListen();
    bool ready = false;
    try {
        TNetStack& stack = TNetStack::Instance();
        if (timeoutMs < 0) {
            while (!ready && !abort_)
                ready = stack.Readable(listenHandle_, kAcceptPollMs);
        } else {
            int remaining = timeoutMs;
            while (!ready && !abort_ && remaining > kAcceptPollMs) {
                ready = stack.Readable(listenHandle_, kAcceptPollMs);
                remaining -= kAcceptPollMs;
            }
            if (!ready && !abort_)
                ready = stack.Readable(listenHandle_, remaining);
        }
        if (ready) {
            Binding()->Accept(listenHandle_);
            Socket()->AfterAccept();
        }
    } catch (...) {
        CloseListenHandle();
        throw;
    }
    CloseListenHandle();
    if (!ready)
        throw ENetAcceptTimeout();
}
