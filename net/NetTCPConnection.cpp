#include "net/NetTCPConnection.h"

#include <algorithm>
#include <climits>

#include "net/NetException.h"

TNetTCPConnection::~TNetTCPConnection()
{
    FreeOwnedHandler();
}

void TNetTCPConnection::FreeOwnedHandler()
{
    if (ownedHandler_ && handler_ == ownedHandler_.get())
        handler_ = nullptr;
    ownedHandler_.reset();
}

void TNetTCPConnection::SetIOHandler(TNetIOHandler* handler, bool owned)
{
    if (handler == handler_)
        return;
    FreeOwnedHandler();
    handler_ = handler;
    if (owned)
        ownedHandler_.reset(handler);
}

void TNetTCPConnection::SetIOHandler(std::unique_ptr<TNetIOHandler> handler)
{
    SetIOHandler(handler.release(), true);
}

std::unique_ptr<TNetReply> TNetTCPConnection::MakeReply() const
{
    return std::make_unique<TNetReplyRFC>();
}

TNetReply& TNetTCPConnection::WelcomeReply()
{
    if (!welcome_)
        welcome_ = MakeReply();
    return *welcome_;
}

TNetReply& TNetTCPConnection::LastReply()
{
    if (!last_)
        last_ = MakeReply();
    return *last_;
}

bool TNetTCPConnection::Connected()
{
    return handler_ && handler_->Connected();
}

void TNetTCPConnection::DoOnDisconnected()
{
    if (OnDisconnected)
        OnDisconnected(*this);
}

void TNetTCPConnection::Disconnect(bool notifyPeer)
{
    auto closeOpenHandler = [this] {
        // Bytes the server sent before the end are of no use to anyone now,
        // and left buffered they would keep Connected() true.
        if (handler_)
            handler_->InputBuffer().Clear();
        if (handler_ && handler_->Opened()) {
            DoStatus(hsDisconnecting);
            handler_->Close();
            DoOnDisconnected();
            DoStatus(hsDisconnected);
        }
    };
    try {
        if (notifyPeer && Connected())
            NotifyPeerOfDisconnect();
    } catch (...) {
        closeOpenHandler();
        throw;
    }
    closeOpenHandler();
}

void TNetTCPConnection::WriteCommand(const std::string& line, TNetTextEncoding encoding)
{
    if (!handler_)
        throw ENetNotConnected();
    if (OnCommandSent)
        OnCommandSent(line);
    handler_->WriteLine(line, encoding);
}

int TNetTCPConnection::SendCommand(const std::string& command, const TNetReplyCodes& allowed,
                                   TNetTextEncoding encoding)
{
    if (!handler_)
        throw ENetNotConnected();
    std::string line = command;
    PrepareCommand(line);
    WriteCommand(line, encoding);
    return ReadReply(allowed, encoding);
}

void TNetTCPConnection::ReadReplyLines(TNetReply& reply, TNetTextEncoding encoding)
{
    if (!handler_)
        throw ENetNotConnected();
    std::vector<std::string> lines;
    for (;;) {
        lines.push_back(handler_->ReadNonEmptyLine(INT_MAX, encoding));
        if (reply.IsEndLine(lines.back()))
            break;
    }
    reply.Parse(lines);
    if (OnReplyRead)
        OnReplyRead(reply);
}

int TNetTCPConnection::ReadReply(const TNetReplyCodes& allowed, TNetTextEncoding encoding)
{
    ReadReplyLines(LastReply(), encoding);
    return CheckReplyCode(LastReply().NumericCode(), allowed);
}

int TNetTCPConnection::CheckReplyCode(int code, const TNetReplyCodes& allowed)
{
    if (!allowed.empty() && std::find(allowed.begin(), allowed.end(), code) == allowed.end())
        RaiseExceptionForLastCmdResult();
    return code;
}

void TNetTCPConnection::RaiseExceptionForLastCmdResult()
{
    std::string message;
    for (const auto& line : LastReply().Text)
        message += line + "\r\n";
    throw ENetReplyRFCError(LastReply().NumericCode(), message);
}

void TNetTCPClientCustom::SetReadTimeout(int ms)
{
    readTimeout_ = ms;
    if (handler_)
        handler_->ReadTimeout = ms;
}

void TNetTCPClientCustom::Connect()
{
    if (Connected())
        throw ENetAlreadyConnected();
    if (Host.empty())
        throw ENetHostRequired();
    if (Port == 0)
        throw ENetPortRequired();
    if (!handler_) {
        SetIOHandler(std::make_unique<TNetIOHandlerStack>());
        handler_->OnStatus = OnStatus;
    }
    handler_->Port = Port;
    handler_->Host = Host;
    handler_->ConnectTimeout = ConnectTimeout;
    handler_->ReadTimeout = readTimeout_;
    if (auto* socket = Socket()) {
        socket->BoundIP = BoundIP;
        socket->BoundPort = BoundPort;
        socket->BoundPortMin = BoundPortMin;
        socket->BoundPortMax = BoundPortMax;
        socket->IPVersion = IPVersion;
        socket->ReuseSocket = ReuseSocket;
        socket->OnBeforeBind = OnBeforeBind;
        socket->OnAfterBind = OnAfterBind;
        socket->OnSocketAllocated = OnSocketAllocated;
    }
    try {
        handler_->Open();
        DoStatus(hsConnected, Host);
        if (OnConnected)
            OnConnected(*this);
    } catch (...) {
        if (handler_)
            handler_->Close();
        // An owned handler goes with a failed connect; the next one makes a new one.
        FreeOwnedHandler();
        throw;
    }
}
