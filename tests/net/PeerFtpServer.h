// Real FTP servers started by the tests on 127.0.0.1: pyftpdlib (records
// the commands it receives) and vsftpd (anonymous, writable). Each is a
// child process stopped with the object.
#pragma once

#include <memory>
#include <string>
#include <sys/types.h>

class TPeerFtpServer {
public:
    ~TPeerFtpServer();

    // Null with a reason when the server cannot run here.
    static std::unique_ptr<TPeerFtpServer> StartPyftpdlib(const std::string& root, std::string& whyNot);
    static std::unique_ptr<TPeerFtpServer> StartVsftpd(const std::string& root, std::string& whyNot);

    int Port() const { return port_; }
    std::string User;
    std::string Password;
    // The file of recorded command lines (pyftpdlib only).
    std::string RecordFile;

private:
    TPeerFtpServer() = default;
    pid_t pid_ = -1;
    int port_ = 0;
};

// A fresh folder under the temporary folder, removed with the object.
class TTempFolder {
public:
    TTempFolder();
    ~TTempFolder();
    const std::string& Path() const { return path_; }

private:
    std::string path_;
};
