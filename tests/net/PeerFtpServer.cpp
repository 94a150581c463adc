#include "PeerFtpServer.h"

#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <poll.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "Loopback.h"
#include "tests/support/TempFolder.h"

namespace {

pid_t Spawn(const std::vector<std::string>& args, int stdoutFd)
{
    std::vector<char*> argv;
    for (const auto& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    const pid_t pid = fork();
    if (pid == 0) {
        const int null = open("/dev/null", O_RDWR);
        dup2(null, 0);
        dup2(stdoutFd >= 0 ? stdoutFd : null, 1);
        dup2(null, 2);
        execv(argv[0], argv.data());
        _exit(127);
    }
    return pid;
}

} // namespace

TPeerFtpServer::~TPeerFtpServer()
{
    if (pid_ > 0) {
        kill(pid_, SIGTERM);
        int status = 0;
        waitpid(pid_, &status, 0);
    }
}

std::unique_ptr<TPeerFtpServer> TPeerFtpServer::StartPyftpdlib(const std::string& root, std::string& whyNot)
{
    const std::string python = "/usr/bin/python3";
    if (access(python.c_str(), X_OK) != 0) {
        whyNot = "no /usr/bin/python3";
        return nullptr;
    }
    std::unique_ptr<TPeerFtpServer> server(new TPeerFtpServer);
    server->User = "fwhdlx0";
    server->Password = "secret";
    server->RecordFile = root + ".commands";
    std::remove(server->RecordFile.c_str());
    int out[2];
    if (pipe2(out, O_CLOEXEC) != 0) {
        whyNot = "no pipe";
        return nullptr;
    }
    server->pid_ = Spawn({python, VORN_SOURCE_DIR "/tests/net/peer_ftpd.py", root, server->RecordFile}, out[1]);
    close(out[1]);
    std::string line;
    pollfd p{out[0], POLLIN, 0};
    while (line.find('\n') == std::string::npos && poll(&p, 1, 10000) > 0) {
        char c[64];
        const ssize_t n = read(out[0], c, sizeof c);
        if (n <= 0)
            break;
        line.append(c, static_cast<size_t>(n));
    }
    close(out[0]);
    server->port_ = std::atoi(line.c_str());
    if (server->port_ <= 0) {
        whyNot = "pyftpdlib did not start (is python3-pyftpdlib installed?)";
        return nullptr;
    }
    return server;
}

std::unique_ptr<TPeerFtpServer> TPeerFtpServer::StartVsftpd(const std::string& root, std::string& whyNot)
{
    const std::string vsftpd = "/usr/sbin/vsftpd";
    if (access(vsftpd.c_str(), X_OK) != 0) {
        whyNot = "no /usr/sbin/vsftpd";
        return nullptr;
    }
    std::unique_ptr<TPeerFtpServer> server(new TPeerFtpServer);
    server->User = "anonymous";
    server->Password = "test@example.com";
    server->port_ = FreeLoopbackPort();
    std::filesystem::create_directories(root + ".empty");
    const std::string config = root + ".conf";
    {
        std::ofstream c(config);
        // Runs as the launching user: no chroot, no privilege change, so it
        // works without a dedicated account; the root is the login folder.
        c << "listen=YES\nlisten_ipv6=NO\nlisten_address=127.0.0.1\nlisten_port=" << server->port_
          << "\nbackground=NO\nrun_as_launching_user=YES\nanonymous_enable=YES\nlocal_enable=NO\n"
             "write_enable=YES\nanon_upload_enable=YES\nanon_mkdir_write_enable=YES\nanon_other_write_enable=YES\n"
             "anon_root="
          << root << "\nno_anon_password=YES\nconnect_from_port_20=NO\nport_enable=YES\npasv_enable=NO\n"
                     "seccomp_sandbox=NO\nsecure_chroot_dir="
          << root << ".empty\nxferlog_enable=NO\nanon_umask=022\n";
    }
    server->pid_ = Spawn({vsftpd, config}, -1);
    for (int i = 0; i < 60; ++i) {
        if (LoopbackAccepts(server->port_))
            return server;
        int status = 0;
        if (waitpid(server->pid_, &status, WNOHANG) == server->pid_) {
            server->pid_ = -1;
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    whyNot = "vsftpd did not start on 127.0.0.1 (it needs to run as root here)";
    return nullptr;
}

TTempFolder::TTempFolder()
{
    path_ = MakeTempFolder("vorn-ftp").string();
    // The servers write as other users in some setups.
    std::filesystem::permissions(path_, std::filesystem::perms::all);
}

TTempFolder::~TTempFolder()
{
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
    for (const char* suffix : {".commands", ".conf", ".empty"})
        std::filesystem::remove_all(path_ + suffix, ignored);
}
