// vornftp: a small diagnostic FTP client for support staff and for users
// behind a firewall. It runs the same client the upload uses, so a failure
// here shows the same message the program would report.
//
//   vornftp [--port N] [--verbose] HOST USER PASSWORD (pwd | list DIR | put LOCAL REMOTE)
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "net/NetException.h"
#include "net/NetFTP.h"

namespace {

int Usage()
{
    std::fprintf(stderr,
                 "usage: vornftp [--port N] [--verbose] HOST USER PASSWORD (pwd | list DIR | put LOCAL REMOTE)\n");
    return 2;
}

// Messages of reply errors end in CR LF per line; print them as plain lines.
std::string Printable(std::string message)
{
    std::string out;
    for (const char c : message)
        if (c != '\r')
            out += c;
    while (!out.empty() && out.back() == '\n')
        out.pop_back();
    return out;
}

} // namespace

int main(int argc, char** argv)
{
    std::vector<std::string> args;
    int port = 21;
    bool verbose = false;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--verbose") {
            verbose = true;
        } else if (a == "--port") {
            if (++i >= argc)
                return Usage();
            char* end = nullptr;
            const long value = std::strtol(argv[i], &end, 10);
            if (*argv[i] == '\0' || *end != '\0' || value < 1 || value > 65535)
                return Usage();
            port = static_cast<int>(value);
        } else if (a.rfind("--", 0) == 0) {
            return Usage();
        } else {
            args.push_back(a);
        }
    }
    if (args.size() < 4)
        return Usage();
    const std::string& command = args[3];
    if (!((command == "pwd" && args.size() == 4) || (command == "list" && args.size() == 5) ||
          (command == "put" && args.size() == 6)))
        return Usage();

    TNetFTP ftp;
    ftp.Host = args[0];
    ftp.Port = static_cast<uint16_t>(port);
    ftp.Username = args[1];
    ftp.Password = args[2];
    if (verbose) {
        ftp.OnCommandSent = [](const std::string& line) {
            // The password never reaches the screen.
            std::fprintf(stderr, "> %s\n", line.rfind("PASS ", 0) == 0 ? "PASS ****" : line.c_str());
        };
        ftp.OnReplyRead = [](const TNetReply& reply) {
            for (const auto& line : reply.FormattedReply())
                std::fprintf(stderr, "< %s\n", line.c_str());
        };
    }
    int status = 0;
    try {
        ftp.Connect();
        if (command == "pwd") {
            std::printf("%s\n", ftp.CurrentDir().c_str());
        } else if (command == "list") {
            std::vector<std::string> lines;
            ftp.List(&lines, args[4], true);
            for (const auto& line : lines)
                std::printf("%s\n", line.c_str());
        } else {
            ftp.SetTransferType(ftBinary);
            ftp.Put(args[4], args[5], false);
        }
    } catch (const Exception& e) {
        std::fprintf(stderr, "vornftp: %s\n", Printable(e.Message()).c_str());
        status = 1;
    }
    try {
        ftp.Disconnect(true);
    } catch (const Exception& e) {
        if (status == 0)
            std::fprintf(stderr, "vornftp: %s\n", Printable(e.Message()).c_str());
        status = 1;
    }
    std::fflush(stdout);
    return status;
}
