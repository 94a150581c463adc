#include "net/NetIOHandler.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>

#include "net/NetException.h"
#include "net/NetText.h"

namespace {

int64_t ElapsedMs(std::chrono::steady_clock::time_point since)
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - since).count();
}

std::span<const uint8_t> AsBytes(const std::string& s)
{
    return {reinterpret_cast<const uint8_t*>(s.data()), s.size()};
}

} // namespace

// ---------------------------------------------------------------- TNetIOHandler

TNetIOHandler::TNetIOHandler()
{
    // Read work is counted when bytes leave the input buffer.
    input_.OnBytesRemoved = [this](int64_t count) { DoWork(wmRead, count); };
}

std::string TNetIOHandler::Destination() const
{
    return Host + ":" + std::to_string(Port);
}

void TNetIOHandler::SetDestination(const std::string& destination)
{
    const size_t colon = destination.rfind(':');
    if (colon == std::string::npos) {
        Host = destination;
        return;
    }
    Host = destination.substr(0, colon);
    const std::string port = destination.substr(colon + 1);
    if (!port.empty() && port.size() <= 5 && std::all_of(port.begin(), port.end(), ::isdigit)) {
        const int value = std::stoi(port);
        if (value <= 65535)
            Port = static_cast<uint16_t>(value);
    }
}

void TNetIOHandler::Open()
{
    opened_ = false;
    peerClosed_ = false;
    WriteBufferClose();
    input_.Clear();
    opened_ = true;
}

void TNetIOHandler::Close()
{
    opened_ = false;
    WriteBufferClose();
}

void TNetIOHandler::WriteBytes(std::span<const uint8_t> bytes)
{
    if (writeBuffer_) {
        writeBuffer_->Write(bytes);
        if (writeThreshold_ > 0 && writeBuffer_->Size() >= writeThreshold_)
            WriteBufferFlush();
        return;
    }
    WriteDirect(bytes);
}

void TNetIOHandler::WriteText(const std::string& text, TNetTextEncoding encoding)
{
    WriteBytes(AsBytes(NetEncodeText(text, Effective(encoding))));
}

void TNetIOHandler::WriteLine(const std::string& text, TNetTextEncoding encoding)
{
    WriteText(text + "\r\n", encoding);
}

void TNetIOHandler::WriteStream(TStream& stream, int64_t size, bool writeByteCount)
{
    if (size < 0) {
        size = stream.Size() - stream.Position();
    } else if (size == 0) {
        stream.SetPosition(0);
        size = stream.Size();
    }
    if (size >= (int64_t{1} << 31) && !LargeStream)
        throw ENetIOHandlerRequiresLargeStream();
    if (writeByteCount) {
        const int width = LargeStream ? 8 : 4;
        uint8_t count[8];
        for (int i = 0; i < width; ++i)
            count[i] = static_cast<uint8_t>(static_cast<uint64_t>(size) >> (8 * (width - 1 - i)));
        WriteBytes(std::span<const uint8_t>(count, static_cast<size_t>(width)));
    }
    BeginWork(wmWrite, size);
    try {
        std::vector<uint8_t> chunk(static_cast<size_t>(std::max(1, SendBufferSize)));
        int64_t left = size;
        while (left > 0) {
            const size_t want = static_cast<size_t>(std::min<int64_t>(left, static_cast<int64_t>(chunk.size())));
            const size_t got = stream.Read(std::span(chunk.data(), want));
            if (got == 0)
                throw ENetNoDataToRead();
            WriteBytes(std::span<const uint8_t>(chunk.data(), got));
            left -= static_cast<int64_t>(got);
        }
    } catch (...) {
        EndWork(wmWrite);
        throw;
    }
    EndWork(wmWrite);
}

void TNetIOHandler::WriteBufferOpen(int threshold)
{
    if (!writeBuffer_)
        writeBuffer_ = std::make_unique<TNetBuffer>();
    writeThreshold_ = threshold;
}

void TNetIOHandler::WriteBufferFlush()
{
    if (!writeBuffer_ || writeBuffer_->Empty())
        return;
    const std::vector<uint8_t> bytes = writeBuffer_->Extract();
    WriteDirect(bytes);
}

void TNetIOHandler::WriteBufferCancel()
{
    if (writeBuffer_)
        writeBuffer_->Clear();
}

void TNetIOHandler::WriteBufferClose()
{
    writeBuffer_.reset();
    writeThreshold_ = 0;
}

std::string TNetIOHandler::ReadLine(const std::string& terminator, int timeoutMs, int maxLength,
                                    TNetTextEncoding encoding)
{
    const std::string term = terminator.empty() ? std::string("\n") : terminator;
    if (maxLength < 0)
        maxLength = MaxLineLength;
    if (timeoutMs == -1)
        timeoutMs = (ReadTimeout == -1 || ReadTimeout == 0) ? kNetInfinite : ReadTimeout;
    lineSplit_ = false;
    lineTimedOut_ = false;
    const auto start = std::chrono::steady_clock::now();
    const auto termBytes = AsBytes(term);
    int resume = 0;
    int found = -1;
    for (;;) {
        if (!input_.Empty()) {
            if (resume < input_.Size())
                found = input_.IndexOf(termBytes, resume);
            // Next search starts where this one could not have matched.
            resume = std::max(0, input_.Size() - static_cast<int>(term.size()) + 1);
        }
        if (found >= 0 && found > maxLength) {
            if (MaxLineAction == maException)
                throw ENetReadLnMaxLineLengthExceeded();
            lineSplit_ = true;
            const std::vector<uint8_t> part = input_.Extract(maxLength);
            return NetDecodeText(part, Effective(encoding));
        }
        if (found >= 0)
            break;
        // Without a terminator so far, any later one lies past the limit:
        // fail now rather than buffer an endless line.
        if (MaxLineAction == maException && input_.Size() - static_cast<int>(term.size()) + 1 > maxLength)
            throw ENetReadLnMaxLineLengthExceeded();
        // A partial line left by a closed peer is not returned.
        CheckForDisconnect(true, true);
        int wait = timeoutMs;
        if (timeoutMs >= 0) {
            const int64_t spent = ElapsedMs(start);
            wait = spent >= timeoutMs ? 0 : static_cast<int>(timeoutMs - spent);
        }
        if (FillInputBuffer(true, wait, false) == -1)
            lineTimedOut_ = true;
        if (timeoutMs >= 0 && ElapsedMs(start) >= timeoutMs && input_.IndexOf(termBytes, 0) < 0)
            lineTimedOut_ = true;
        if (lineTimedOut_)
            return {};
    }
    std::vector<uint8_t> line = input_.Extract(found + static_cast<int>(term.size()));
    line.resize(static_cast<size_t>(found));
    if (term == "\n" && !line.empty() && line.back() == '\r')
        line.pop_back();
    return NetDecodeText(line, Effective(encoding));
}

std::string TNetIOHandler::ReadNonEmptyLine(int failCount, TNetTextEncoding encoding)
{
    for (int attempt = 0; attempt < failCount; ++attempt) {
        // White space and control characters are trimmed from reply lines.
        const std::string line = NetTrim(ReadLine("\n", -1, MaxLineLength, encoding));
        if (!line.empty())
            return line;
        if (lineTimedOut_)
            throw ENetReadTimeout();
    }
    throw ENetReadLnWaitMaxAttemptsExceeded();
}

std::vector<uint8_t> TNetIOHandler::ReadBytes(int count)
{
    if (count < 0) {
        if (input_.Empty())
            FillInputBuffer(true, -1, true);
        return input_.Extract();
    }
    while (input_.Size() < count)
        FillInputBuffer(true, -1, true);
    return input_.Extract(count);
}

void TNetIOHandler::ReadStream(TStream& stream, int64_t byteCount, bool untilDisconnect)
{
    auto flush = [&](int64_t most) {
        const int n = static_cast<int>(std::min<int64_t>(most, input_.Size()));
        if (n > 0) {
            const std::vector<uint8_t> bytes = input_.Extract(n);
            stream.WriteBuffer(bytes);
        }
        return n;
    };
    BeginWork(wmRead);
    try {
        if (untilDisconnect) {
            flush(input_.Size());
            try {
                for (;;) {
                    FillInputBuffer(true, -1, true);
                    flush(input_.Size());
                }
            } catch (const ENetConnClosedGracefully&) {
                flush(input_.Size());
            } catch (...) {
                flush(input_.Size());
                throw;
            }
        } else {
            if (byteCount == -1) {
                const int width = LargeStream ? 8 : 4;
                const std::vector<uint8_t> head = ReadBytes(width);
                byteCount = 0;
                for (const uint8_t b : head)
                    byteCount = (byteCount << 8) | b;
                if (byteCount < 0)
                    throw ENetNotEnoughDataInBuffer("Not enough data in buffer.");
            }
            int64_t left = byteCount;
            while (left > 0) {
                if (input_.Empty())
                    FillInputBuffer(true, -1, true);
                left -= flush(left);
            }
        }
        stream.SetSize(stream.Position());
    } catch (...) {
        EndWork(wmRead);
        throw;
    }
    EndWork(wmRead);
}

// ---------------------------------------------------------- TNetIOHandlerSocket

TNetIOHandlerSocket::~TNetIOHandlerSocket()
{
    if (binding_)
        binding_->CloseSocket();
}

void TNetIOHandlerSocket::Open()
{
    TNetIOHandler::Open();
    if (!binding_)
        binding_ = std::make_unique<TNetSocketHandle>();
    else
        binding_->Reset();
    binding_->ClientPortMin = BoundPortMin;
    binding_->ClientPortMax = BoundPortMax;
    if (!Host.empty() && Port > 0)
        OpenClientSocket();
}

void TNetIOHandlerSocket::OpenClientSocket()
{
    try {
        if (OnBeforeBind)
            OnBeforeBind();
        binding_->SetIPVersion(IPVersion);
        binding_->AllocateSocket();
        if (OnSocketAllocated)
            OnSocketAllocated();
        if (!BoundIP.empty())
            binding_->IP = BoundIP;
        binding_->Port = BoundPort;
        binding_->ClientPortMin = BoundPortMin;
        binding_->ClientPortMax = BoundPortMax;
        if (ReuseSocket == rsTrue)
            binding_->SetSocketOption(SOL_SOCKET, SO_REUSEADDR, 1);
        binding_->Bind();
        binding_->SetSocketOption(IPPROTO_TCP, TCP_NODELAY, UseNagle ? 0 : 1);
        if (OnAfterBind)
            OnAfterBind();
        std::string ip = Host;
        if (IPVersion != Net_IPv4 || !TNetStackBSDBase::IsIPv4Address(Host)) {
            DoStatus(hsResolving, Host);
            ip = TNetStack::Instance().ResolveHost(Host, IPVersion);
        }
        DoStatus(hsConnecting, ip);
        binding_->Connect(ip, Port, ConnectTimeout);
    } catch (...) {
        binding_->CloseSocket();
        throw;
    }
}

void TNetIOHandlerSocket::Close()
{
    if (binding_)
        binding_->CloseSocket();
    TNetIOHandler::Close();
}

void TNetIOHandlerSocket::AfterAccept() {}

// ----------------------------------------------------------- TNetIOHandlerStack

bool TNetIOHandlerStack::Connected()
{
    // Notices pending bytes and a close by the peer without waiting.
    try {
        FillInputBuffer(false, 0, false);
    } catch (const ENetException&) {
        // A reset peer is simply no longer connected.
        peerClosed_ = true;
        CheckForDisconnect(false, true);
    }
    return (SourceIsAvailable() && opened_ && !(peerClosed_ && input_.Empty())) || !input_.Empty();
}

bool TNetIOHandlerStack::Readable(int timeoutMs)
{
    if (!binding_)
        throw ENetConnClosedGracefully();
    return binding_->Readable(timeoutMs);
}

void TNetIOHandlerStack::CheckForDisconnect(bool raiseIfDisconnected, bool ignoreBuffer)
{
    if (peerClosed_ && SourceIsAvailable()) {
        Close();
        DoStatus(hsDisconnected);
    }
    const bool disconnected = peerClosed_ || !SourceIsAvailable();
    if (disconnected && (ignoreBuffer || input_.Empty()) && raiseIfDisconnected)
        throw ENetConnClosedGracefully();
}

int TNetIOHandlerStack::FillInputBuffer(bool raiseIfDisconnected, int timeoutMs, bool raiseOnTimeout)
{
    if (timeoutMs == -1)
        timeoutMs = (ReadTimeout == -1 || ReadTimeout == 0) ? kNetInfinite : ReadTimeout;
    CheckForDisconnect(raiseIfDisconnected, false);
    if (!SourceIsAvailable()) {
        if (raiseIfDisconnected)
            throw ENetException("Not Connected");
        return 0;
    }
    std::vector<uint8_t> chunk;
    do {
        if (!binding_->Readable(timeoutMs)) {
            if (raiseOnTimeout)
                throw ENetReadTimeout();
            return -1;
        }
        size_t got = 0;
        if (opened_) {
            if (!SourceIsAvailable())
                throw ENetClosedSocket();
            chunk.resize(static_cast<size_t>(std::max(1, RecvBufferSize)));
            try {
                got = binding_->Receive(chunk);
            } catch (const ENetSocketError& e) {
                // A shut-down or aborted connection is a close by the peer;
                // bytes already buffered stay readable.
                if (e.LastError() != 10058 && e.LastError() != 10053)
                    throw;
                peerClosed_ = true;
                Close();
                if (input_.Empty())
                    throw;
                got = 0;
            }
            if (got > 0)
                input_.Write(std::span<const uint8_t>(chunk.data(), got));
        } else if (raiseIfDisconnected) {
            throw ENetNotConnected();
        }
        if (got == 0)
            peerClosed_ = true;
        CheckForDisconnect(raiseIfDisconnected, false);
        if (got > 0)
            return static_cast<int>(got);
    } while (SourceIsAvailable());
    return 0;
}

void TNetIOHandlerStack::WriteDirect(std::span<const uint8_t> bytes)
{
    CheckForDisconnect(true, true);
    size_t done = 0;
    while (done < bytes.size()) {
        const size_t sent = binding_->Send(bytes.subspan(done));
        if (sent == 0) {
            peerClosed_ = true;
            CheckForDisconnect(true, false);
            throw ENetConnClosedGracefully();
        }
        done += sent;
        DoWork(wmWrite, static_cast<int64_t>(sent));
    }
}
