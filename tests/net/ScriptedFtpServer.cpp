#include "ScriptedFtpServer.h"

#include <arpa/inet.h>
#include <cctype>
#include <dirent.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include "Loopback.h"

namespace {

void SendAll(int fd, const std::string& bytes)
{
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = send(fd, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
        if (n <= 0)
            return;
        done += static_cast<size_t>(n);
    }
}

// One command line, or false when the client closed (or 20 s passed).
bool ReadLine(int fd, std::string& pending, std::string& line)
{
    for (;;) {
        const size_t lf = pending.find('\n');
        if (lf != std::string::npos) {
            line = pending.substr(0, lf);
            if (!line.empty() && line.back() == '\r')
                line.pop_back();
            pending.erase(0, lf + 1);
            return true;
        }
        pollfd p{fd, POLLIN, 0};
        if (poll(&p, 1, 20000) <= 0)
            return false;
        char buffer[4096];
        const ssize_t n = recv(fd, buffer, sizeof buffer, 0);
        if (n <= 0)
            return false;
        pending.append(buffer, static_cast<size_t>(n));
    }
}

} // namespace

int CountOpenSockets()
{
    int count = 0;
    DIR* dir = opendir("/proc/self/fd");
    if (!dir)
        return -1;
    while (dirent* e = readdir(dir)) {
        char target[256];
        const std::string path = std::string("/proc/self/fd/") + e->d_name;
        const ssize_t n = readlink(path.c_str(), target, sizeof target - 1);
        if (n > 0 && std::string(target, static_cast<size_t>(n)).rfind("socket:", 0) == 0)
            ++count;
    }
    closedir(dir);
    return count;
}

TScriptedFtpServer::TScriptedFtpServer()
{
    listener_ = ListenOnLoopback(8, port_);

    auto reply = [](const char* text) {
        return [text](TSession& s, const std::string&) { s.Send(text); };
    };
    Handlers["HOST"] = reply("500 HOST not understood.\r\n");
    Handlers["USER"] = reply("331 Password required.\r\n");
    Handlers["PASS"] = reply("230 Logged in.\r\n");
    Handlers["ACCT"] = reply("230 Account accepted.\r\n");
    Handlers["FEAT"] = reply("211-Features:\r\n SIZE\r\n211 End\r\n");
    Handlers["SYST"] = reply("215 UNIX Type: L8\r\n");
    Handlers["TYPE"] = reply("200 Type set.\r\n");
    Handlers["CWD"] = reply("250 Directory changed.\r\n");
    Handlers["PWD"] = reply("257 \"/public_html/ftp/soft/files/tosupport\" is current.\r\n");
    Handlers["PORT"] = [](TSession& s, const std::string& arg) {
        int h[6] = {};
        if (std::sscanf(arg.c_str(), "%d,%d,%d,%d,%d,%d", &h[0], &h[1], &h[2], &h[3], &h[4], &h[5]) != 6) {
            s.Send("501 Bad PORT.\r\n");
            return;
        }
        s.portAddress = std::to_string(h[0]) + "." + std::to_string(h[1]) + "." + std::to_string(h[2]) + "." +
                        std::to_string(h[3]);
        s.portNumber = h[4] * 256 + h[5];
        s.Send("200 PORT ok.\r\n");
    };
    Handlers["LIST"] = SendListing;
    Handlers["NLST"] = SendListing;
    Handlers["MLSD"] = SendListing;
    Handlers["STOR"] = ReceiveFile;
    Handlers["APPE"] = ReceiveFile;
    Handlers["QUIT"] = [](TSession& s, const std::string&) {
        s.Send("221 Bye.\r\n");
        s.Close();
    };
}

TScriptedFtpServer::~TScriptedFtpServer()
{
    Join();
    if (listener_ >= 0)
        close(listener_);
}

void TScriptedFtpServer::Start()
{
    thread_ = std::thread([this] { Serve(); });
}

void TScriptedFtpServer::Join()
{
    if (thread_.joinable())
        thread_.join();
    if (listener_ >= 0) {
        close(listener_);
        listener_ = -1;
    }
}

std::vector<std::string> TScriptedFtpServer::Commands() const
{
    std::lock_guard guard(lock_);
    return commands_;
}

std::vector<std::string> TScriptedFtpServer::Stored() const
{
    std::lock_guard guard(lock_);
    return stored_;
}

void TScriptedFtpServer::Serve()
{
    for (int i = 0; i < Sessions; ++i) {
        pollfd p{listener_, POLLIN, 0};
        if (poll(&p, 1, 20000) <= 0)
            return;
        const int control = accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
        if (control < 0)
            return;
        ServeSession(control);
        close(control);
    }
}

void TScriptedFtpServer::ServeSession(int control)
{
    TSession session(*this);
    session.control = control;
    session.Send(Greeting);
    std::string pending, line;
    while (!session.closed && ReadLine(control, pending, line)) {
        {
            std::lock_guard guard(lock_);
            commands_.push_back(line);
        }
        const size_t space = line.find(' ');
        std::string verb = line.substr(0, space);
        for (char& c : verb)
            c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        const std::string argument = space == std::string::npos ? std::string() : line.substr(space + 1);
        const auto handler = Handlers.find(verb);
        if (handler != Handlers.end())
            handler->second(session, argument);
        else
            session.Send("502 Command not implemented.\r\n");
    }
    session.CloseData();
}

void TScriptedFtpServer::SendListing(TSession& s, const std::string&)
{
    s.Send("150 Opening data connection.\r\n");
    if (!s.OpenData()) {
        s.Send("425 Can't open data connection.\r\n");
        return;
    }
    s.SendData(s.server.Listing);
    s.CloseData();
    s.Send("226 Transfer complete.\r\n");
}

void TScriptedFtpServer::ReceiveFile(TSession& s, const std::string&)
{
    s.Send("150 Ok to send data.\r\n");
    if (!s.OpenData()) {
        s.Send("425 Can't open data connection.\r\n");
        return;
    }
    const std::string bytes = s.ReceiveData();
    s.CloseData();
    {
        std::lock_guard guard(s.server.lock_);
        s.server.stored_.push_back(bytes);
    }
    s.Send("226 Transfer complete.\r\n");
}

void TScriptedFtpServer::TSession::Send(const std::string& raw)
{
    SendAll(control, raw);
}

bool TScriptedFtpServer::TSession::OpenData()
{
    CloseData();
    data = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(static_cast<uint16_t>(portNumber));
    inet_pton(AF_INET, portAddress.c_str(), &a.sin_addr);
    if (connect(data, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
        CloseData();
        return false;
    }
    return true;
}

void TScriptedFtpServer::TSession::SendData(const std::string& bytes)
{
    SendAll(data, bytes);
}

std::string TScriptedFtpServer::TSession::ReceiveData()
{
    std::string out;
    char buffer[65536];
    for (;;) {
        pollfd p{data, POLLIN, 0};
        if (poll(&p, 1, 20000) <= 0)
            break;
        const ssize_t n = recv(data, buffer, sizeof buffer, 0);
        if (n <= 0)
            break;
        out.append(buffer, static_cast<size_t>(n));
    }
    return out;
}

void TScriptedFtpServer::TSession::CloseData()
{
    if (data >= 0) {
        close(data);
        data = -1;
    }
}
