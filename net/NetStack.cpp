#include "net/NetStack.h"

#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <mutex>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <strings.h>
#include <sys/socket.h>
#include <unistd.h>

#include "net/NetException.h"

namespace {

std::mutex gStackLock;
int gStackUsers = 0;
std::unique_ptr<TNetStack> gStack;

[[noreturn]] void RaiseErrno(int error)
{
    NetRaiseSocketError(NetErrnoToCode(error));
}

sockaddr_in MakeAddress(const std::string& ip, uint16_t port)
{
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(port);
    if (ip.empty())
        a.sin_addr.s_addr = htonl(INADDR_ANY);
    else if (inet_pton(AF_INET, ip.c_str(), &a.sin_addr) != 1)
        NetRaiseSocketError(10049);
    return a;
}

void ReadAddress(const sockaddr_in& a, std::string& ip, uint16_t& port)
{
    char text[INET_ADDRSTRLEN] = {};
    inet_ntop(AF_INET, &a.sin_addr, text, sizeof text);
    ip = text;
    port = ntohs(a.sin_port);
}

// poll() with EINTR retried against the remaining time; -1 waits forever.
int PollOne(int handle, short events, int timeoutMs)
{
    const auto start = std::chrono::steady_clock::now();
    for (;;) {
        pollfd p{handle, events, 0};
        int wait = timeoutMs;
        if (timeoutMs >= 0) {
            const auto spent = std::chrono::duration_cast<std::chrono::milliseconds>(
                std::chrono::steady_clock::now() - start).count();
            wait = spent >= timeoutMs ? 0 : static_cast<int>(timeoutMs - spent);
        }
        const int r = poll(&p, 1, wait);
        if (r >= 0)
            return r;
        if (errno != EINTR)
            RaiseErrno(errno);
    }
}

} // namespace

TNetStack& TNetStack::Instance()
{
    std::lock_guard lock(gStackLock);
    if (!gStack)
        throw ENetException("Stack Class is undefined.");
    return *gStack;
}

TNetStackUser::TNetStackUser()
{
    std::lock_guard lock(gStackLock);
    if (gStackUsers++ == 0) {
        if (gStack)
            throw ENetException("Stack already created.");
        gStack = std::make_unique<TNetStackWindows>();
    }
}

TNetStackUser::~TNetStackUser()
{
    std::lock_guard lock(gStackLock);
    if (--gStackUsers == 0)
        gStack.reset();
}

int NetErrnoToCode(int error)
{
    switch (error) {
    case EINTR: return 10004;
    case EBADF: return 10009;
    case EACCES: case EPERM: return 10013;
    case EFAULT: return 10014;
    case EINVAL: return 10022;
    case EMFILE: case ENFILE: return 10024;
    case EWOULDBLOCK: return 10035;
    case EINPROGRESS: return 10036;
    case EALREADY: return 10037;
    case ENOTSOCK: return 10038;
    case EDESTADDRREQ: return 10039;
    case EMSGSIZE: return 10040;
    case EPROTOTYPE: return 10041;
    case ENOPROTOOPT: return 10042;
    case EPROTONOSUPPORT: return 10043;
    case ESOCKTNOSUPPORT: return 10044;
    case EOPNOTSUPP: return 10045;
    case EPFNOSUPPORT: return 10046;
    case EAFNOSUPPORT: return 10047;
    case EADDRINUSE: return 10048;
    case EADDRNOTAVAIL: return 10049;
    case ENETDOWN: return 10050;
    case ENETUNREACH: return 10051;
    case ENETRESET: return 10052;
    case ECONNABORTED: return 10053;
    case ECONNRESET: return 10054;
    case ENOBUFS: case ENOMEM: return 10055;
    case EISCONN: return 10056;
    case ENOTCONN: return 10057;
    // A send to a peer that has gone: the "after socket is closed" case.
    case ESHUTDOWN: case EPIPE: return 10058;
    case ETOOMANYREFS: return 10059;
    case ETIMEDOUT: return 10060;
    case ECONNREFUSED: return 10061;
    case ELOOP: return 10062;
    case ENAMETOOLONG: return 10063;
    case EHOSTDOWN: return 10064;
    case EHOSTUNREACH: return 10065;
    case ENOTEMPTY: return 10066;
    default: return error;
    }
}

int NetResolverErrorToCode(int error, int savedErrno)
{
    switch (error) {
    case EAI_NONAME: return 11001;
    case EAI_AGAIN: return 11002;
    case EAI_FAIL: return 11003;
#ifdef EAI_NODATA
    case EAI_NODATA: return 11004;
#endif
    case EAI_BADFLAGS: return 10022;
    case EAI_FAMILY: return 10047;
    case EAI_SOCKTYPE: return 10044;
    case EAI_MEMORY: return 8;
    case EAI_SERVICE: return 10109;
    case EAI_SYSTEM: return NetErrnoToCode(savedErrno);
    default: return 11003;
    }
}

bool TNetStackBSDBase::IsIPv4Address(const std::string& text)
{
    int parts = 0;
    size_t i = 0;
    while (parts < 4) {
        size_t digits = 0;
        unsigned value = 0;
        while (i < text.size() && text[i] >= '0' && text[i] <= '9' && digits < 4) {
            value = value * 10 + static_cast<unsigned>(text[i] - '0');
            ++i;
            ++digits;
        }
        if (digits == 0 || digits > 3 || value > 255)
            return false;
        ++parts;
        if (parts < 4) {
            if (i >= text.size() || text[i] != '.')
                return false;
            ++i;
        }
    }
    return i == text.size();
}

TNetStackWindows::TNetStackWindows() = default;

std::string TNetStackWindows::ResolveHost(const std::string& host, TNetIPVersion version)
{
    if (version != Net_IPv4)
        throw ENetIPVersionUnsupported();
    if (strcasecmp(host.c_str(), "localhost") == 0)
        return "127.0.0.1";
    if (IsIPv4Address(host))
        return host;
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    const int r = getaddrinfo(host.c_str(), nullptr, &hints, &found);
    if (r != 0)
        NetRaiseSocketError(NetResolverErrorToCode(r, errno));
    std::unique_ptr<addrinfo, decltype(&freeaddrinfo)> owner(found, freeaddrinfo);
    for (addrinfo* a = found; a; a = a->ai_next) {
        if (a->ai_family == AF_INET) {
            std::string ip;
            uint16_t port = 0;
            ReadAddress(*reinterpret_cast<const sockaddr_in*>(a->ai_addr), ip, port);
            return ip;
        }
    }
    NetRaiseSocketError(11001);
}

int TNetStackWindows::NewSocket(TNetIPVersion version)
{
    if (version != Net_IPv4)
        throw ENetIPVersionUnsupported();
    const int handle = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (handle < 0)
        RaiseErrno(errno);
    return handle;
}

void TNetStackWindows::Bind(int handle, const std::string& ip, uint16_t port)
{
    const sockaddr_in a = MakeAddress(ip, port);
    if (bind(handle, reinterpret_cast<const sockaddr*>(&a), sizeof a) != 0)
        RaiseErrno(errno);
}

void TNetStackWindows::Connect(int handle, const std::string& ip, uint16_t port, int timeoutMs)
{
    const sockaddr_in a = MakeAddress(ip, port);
    if (timeoutMs == 0 || timeoutMs == -1) {
        int r;
        do
            r = connect(handle, reinterpret_cast<const sockaddr*>(&a), sizeof a);
        while (r != 0 && errno == EINTR);
        // An interrupted connect goes on in the background; EISCONN then means done.
        if (r != 0 && errno != EISCONN)
            RaiseErrno(errno);
        return;
    }
    // A timed connect: non-blocking start, wait for writability, then restore blocking.
    const int flags = fcntl(handle, F_GETFL);
    fcntl(handle, F_SETFL, flags | O_NONBLOCK);
    int r = connect(handle, reinterpret_cast<const sockaddr*>(&a), sizeof a);
    int error = r == 0 ? 0 : errno;
    if (error == EINPROGRESS) {
        if (PollOne(handle, POLLOUT, timeoutMs) == 0) {
            fcntl(handle, F_SETFL, flags);
            throw ENetConnectTimeout();
        }
        socklen_t len = sizeof error;
        getsockopt(handle, SOL_SOCKET, SO_ERROR, &error, &len);
    }
    fcntl(handle, F_SETFL, flags);
    if (error != 0)
        RaiseErrno(error);
}

void TNetStackWindows::Listen(int handle, int backlog)
{
    if (listen(handle, backlog) != 0)
        RaiseErrno(errno);
}

int TNetStackWindows::Accept(int handle, std::string& ip, uint16_t& port)
{
    sockaddr_in a{};
    socklen_t len = sizeof a;
    int r;
    do
        r = accept4(handle, reinterpret_cast<sockaddr*>(&a), &len, SOCK_CLOEXEC);
    while (r < 0 && errno == EINTR);
    if (r < 0)
        RaiseErrno(errno);
    ReadAddress(a, ip, port);
    return r;
}

size_t TNetStackWindows::Send(int handle, std::span<const uint8_t> bytes)
{
    for (;;) {
        // MSG_NOSIGNAL: a vanished peer is an error code here, never SIGPIPE.
        const ssize_t r = send(handle, bytes.data(), bytes.size(), MSG_NOSIGNAL);
        if (r >= 0)
            return static_cast<size_t>(r);
        if (errno != EINTR)
            RaiseErrno(errno);
    }
}

size_t TNetStackWindows::Receive(int handle, std::span<uint8_t> bytes)
{
    for (;;) {
        const ssize_t r = recv(handle, bytes.data(), bytes.size(), 0);
        if (r >= 0)
            return static_cast<size_t>(r);
        if (errno != EINTR)
            RaiseErrno(errno);
    }
}

bool TNetStackWindows::Readable(int handle, int timeoutMs)
{
    if (timeoutMs < 0)
        timeoutMs = -1;
    return PollOne(handle, POLLIN, timeoutMs) > 0;
}

void TNetStackWindows::ShutdownAndClose(int handle)
{
    shutdown(handle, SHUT_WR);
    close(handle);
}

void TNetStackWindows::SetSocketOption(int handle, int level, int option, int value)
{
    if (setsockopt(handle, level, option, &value, sizeof value) != 0)
        RaiseErrno(errno);
}

void TNetStackWindows::LocalAddress(int handle, std::string& ip, uint16_t& port)
{
    sockaddr_in a{};
    socklen_t len = sizeof a;
    if (getsockname(handle, reinterpret_cast<sockaddr*>(&a), &len) != 0)
        RaiseErrno(errno);
    ReadAddress(a, ip, port);
}

void TNetStackWindows::RemoteAddress(int handle, std::string& ip, uint16_t& port)
{
    sockaddr_in a{};
    socklen_t len = sizeof a;
    if (getpeername(handle, reinterpret_cast<sockaddr*>(&a), &len) != 0)
        RaiseErrno(errno);
    ReadAddress(a, ip, port);
}
