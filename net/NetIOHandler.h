// Blocking byte, line and stream I/O over one socket, with an input queue
// and read timeouts. TNetIOHandler holds the buffering and the line logic;
// TNetIOHandlerSocket adds the binding and the client connect;
// TNetIOHandlerStack moves the bytes through the socket stack.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "net/NetBuffer.h"
#include "net/NetComponent.h"
#include "net/NetEncoding.h"
#include "net/NetSocketHandle.h"
#include "platform/Stream.h"

enum TNetMaxLineAction { maException, maSplit };
enum TNetReuseSocket { rsOSDependent, rsTrue, rsFalse };

class TNetIOHandler : public TNetComponent {
public:
    TNetIOHandler();
    ~TNetIOHandler() override = default;

    std::string Host;
    uint16_t Port = 0;
    int MaxLineLength = 16384;
    TNetMaxLineAction MaxLineAction = maException;
    int RecvBufferSize = 32768;
    int SendBufferSize = 32768;
    // Milliseconds; -1 and 0 wait without limit.
    int ReadTimeout = -1;
    int ConnectTimeout = 0;
    // Without it a stream of 2 GiB or more cannot be sent.
    bool LargeStream = false;
    TNetTextEncoding DefStringEncoding = enASCII;

    std::string Destination() const;
    // "host:port"; a text without a colon sets the host alone.
    void SetDestination(const std::string& destination);

    virtual void Open();
    virtual void Close();
    virtual bool Connected() = 0;
    virtual bool Readable(int timeoutMs) = 0;
    bool Opened() const { return opened_; }
    bool ClosedGracefully() const { return peerClosed_; }
    bool ReadLnTimedOut() const { return lineTimedOut_; }
    bool ReadLnSplit() const { return lineSplit_; }
    TNetBuffer& InputBuffer() { return input_; }

    // Receives once into the input buffer: the byte count, -1 on timeout
    // (when not raising), 0 when the peer is gone (when not raising).
    // timeoutMs -1 means ReadTimeout.
    virtual int FillInputBuffer(bool raiseIfDisconnected = true, int timeoutMs = -1, bool raiseOnTimeout = true) = 0;
    virtual void CheckForDisconnect(bool raiseIfDisconnected = true, bool ignoreBuffer = false) = 0;

    void WriteBytes(std::span<const uint8_t> bytes);
    void WriteText(const std::string& text, TNetTextEncoding encoding = enDefault);
    void WriteLine(const std::string& text, TNetTextEncoding encoding = enDefault);
    // size < 0: from the position to the end; 0: the whole stream from its
    // start; else that many bytes from the position.
    void WriteStream(TStream& stream, int64_t size = 0, bool writeByteCount = false);

    // Collects writes until flushed (threshold 0: only on an explicit flush).
    void WriteBufferOpen(int threshold = 0);
    void WriteBufferFlush();
    void WriteBufferCancel();
    void WriteBufferClose();

    // timeoutMs -1 means ReadTimeout; maxLength -1 means MaxLineLength.
    std::string ReadLine(const std::string& terminator = "\n", int timeoutMs = -1, int maxLength = -1,
                         TNetTextEncoding encoding = enDefault);
    std::string ReadNonEmptyLine(int failCount = 2147483647, TNetTextEncoding encoding = enDefault);
    // count > 0: exactly count bytes; -1: whatever one receive brings.
    std::vector<uint8_t> ReadBytes(int count);
    // untilDisconnect: everything until the peer closes; else byteCount bytes
    // (-1: a big-endian count read first).
    void ReadStream(TStream& stream, int64_t byteCount = -1, bool untilDisconnect = false);

protected:
    // Sends every byte (or raises).
    virtual void WriteDirect(std::span<const uint8_t> bytes) = 0;
    TNetTextEncoding Effective(TNetTextEncoding encoding) const
    {
        return encoding == enDefault ? DefStringEncoding : encoding;
    }

    bool opened_ = false;
    bool peerClosed_ = false;
    bool lineTimedOut_ = false;
    bool lineSplit_ = false;
    TNetBuffer input_;

private:
    std::unique_ptr<TNetBuffer> writeBuffer_;
    int writeThreshold_ = 0;
};

class TNetIOHandlerSocket : public TNetIOHandler {
public:
    std::string BoundIP;
    uint16_t BoundPort = 0;
    uint16_t BoundPortMin = 0;
    uint16_t BoundPortMax = 0;
    uint16_t DefaultPort = 0;
    TNetIPVersion IPVersion = Net_IPv4;
    TNetReuseSocket ReuseSocket = rsOSDependent;
    bool UseNagle = true;
    std::function<void()> OnBeforeBind;
    std::function<void()> OnAfterBind;
    std::function<void()> OnSocketAllocated;

    ~TNetIOHandlerSocket() override;

    // The socket; created at the first Open.
    TNetSocketHandle* Binding() { return binding_.get(); }
    void Open() override;
    void Close() override;
    // Called once an accepted socket has been put into the binding.
    virtual void AfterAccept();

protected:
    void OpenClientSocket();
    bool SourceIsAvailable() const { return binding_ && binding_->HandleAllocated(); }

    std::unique_ptr<TNetSocketHandle> binding_;
};

class TNetIOHandlerStack : public TNetIOHandlerSocket {
public:
    bool Connected() override;
    bool Readable(int timeoutMs) override;
    int FillInputBuffer(bool raiseIfDisconnected = true, int timeoutMs = -1, bool raiseOnTimeout = true) override;
    void CheckForDisconnect(bool raiseIfDisconnected = true, bool ignoreBuffer = false) override;

protected:
    void WriteDirect(std::span<const uint8_t> bytes) override;
};
