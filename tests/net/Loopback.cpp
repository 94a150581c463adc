#include "Loopback.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdint>

namespace {

sockaddr_in LoopbackAddress(int port)
{
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(static_cast<uint16_t>(port));
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return a;
}

// A socket bound to 127.0.0.1 at a port the system picks, or -1.
int BindLoopback(int& port)
{
    const int s = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (s < 0)
        return -1;
    const int one = 1;
    setsockopt(s, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in a = LoopbackAddress(0);
    socklen_t len = sizeof a;
    if (bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 ||
        getsockname(s, reinterpret_cast<sockaddr*>(&a), &len) != 0) {
        close(s);
        return -1;
    }
    port = ntohs(a.sin_port);
    return s;
}

} // namespace

int ListenOnLoopback(int backlog, int& port)
{
    const int s = BindLoopback(port);
    if (s >= 0 && listen(s, backlog) != 0) {
        close(s);
        return -1;
    }
    return s;
}

int FreeLoopbackPort()
{
    int port = 0;
    const int s = BindLoopback(port);
    if (s >= 0)
        close(s);
    return port;
}

bool LoopbackAccepts(int port)
{
    const int s = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const sockaddr_in a = LoopbackAddress(port);
    const bool ok = connect(s, reinterpret_cast<const sockaddr*>(&a), sizeof a) == 0;
    close(s);
    return ok;
}
