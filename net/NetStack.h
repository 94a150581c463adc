// The process-wide socket stack: one object over the host's stream sockets,
// brought up by the first network component and freed with the last. Every
// call reports failure as ENetSocketError in the Winsock numbering, so the
// layers above see the same codes and texts on every platform.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>

enum TNetIPVersion { Net_IPv4, Net_IPv6 };

// Waits without limit when given as a timeout in milliseconds.
constexpr int kNetInfinite = -2;

class TNetStack {
public:
    virtual ~TNetStack() = default;

    // The running stack; only valid while a TNetStackUser exists.
    static TNetStack& Instance();

    virtual std::string ResolveHost(const std::string& host, TNetIPVersion version) = 0;
    virtual int NewSocket(TNetIPVersion version) = 0;
    virtual void Bind(int handle, const std::string& ip, uint16_t port) = 0;
    // timeoutMs 0 connects without limit; otherwise ENetConnectTimeout when it expires.
    virtual void Connect(int handle, const std::string& ip, uint16_t port, int timeoutMs) = 0;
    virtual void Listen(int handle, int backlog) = 0;
    virtual int Accept(int handle, std::string& ip, uint16_t& port) = 0;
    virtual size_t Send(int handle, std::span<const uint8_t> bytes) = 0;
    virtual size_t Receive(int handle, std::span<uint8_t> bytes) = 0;
    // -1 and kNetInfinite wait without limit.
    virtual bool Readable(int handle, int timeoutMs) = 0;
    virtual void ShutdownAndClose(int handle) = 0;
    virtual void SetSocketOption(int handle, int level, int option, int value) = 0;
    virtual void LocalAddress(int handle, std::string& ip, uint16_t& port) = 0;
    virtual void RemoteAddress(int handle, std::string& ip, uint16_t& port) = 0;
};

// Shared by the BSD-style stacks: address text rules common to them.
class TNetStackBSDBase : public TNetStack {
public:
    // "localhost" in any case and dotted quads need no lookup.
    static bool IsIPv4Address(const std::string& text);
};

// The stack over the host's POSIX sockets (the name keeps the design's).
class TNetStackWindows : public TNetStackBSDBase {
public:
    TNetStackWindows();
    std::string ResolveHost(const std::string& host, TNetIPVersion version) override;
    int NewSocket(TNetIPVersion version) override;
    void Bind(int handle, const std::string& ip, uint16_t port) override;
    void Connect(int handle, const std::string& ip, uint16_t port, int timeoutMs) override;
    void Listen(int handle, int backlog) override;
    int Accept(int handle, std::string& ip, uint16_t& port) override;
    size_t Send(int handle, std::span<const uint8_t> bytes) override;
    size_t Receive(int handle, std::span<uint8_t> bytes) override;
    bool Readable(int handle, int timeoutMs) override;
    void ShutdownAndClose(int handle) override;
    void SetSocketOption(int handle, int level, int option, int value) override;
    void LocalAddress(int handle, std::string& ip, uint16_t& port) override;
    void RemoteAddress(int handle, std::string& ip, uint16_t& port) override;
};

// Holds the stack up for its lifetime (a counted, process-wide reference).
class TNetStackUser {
public:
    TNetStackUser();
    ~TNetStackUser();
    TNetStackUser(const TNetStackUser&) : TNetStackUser() {}
    TNetStackUser& operator=(const TNetStackUser&) { return *this; }
};

// Maps a host errno value into the Winsock numbering of the messages.
int NetErrnoToCode(int error);
// Maps a getaddrinfo result into the same numbering.
int NetResolverErrorToCode(int error, int savedErrno);
