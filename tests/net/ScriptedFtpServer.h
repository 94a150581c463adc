// A scripted FTP server for tests: one thread, loopback only, a table of
// command handlers that a test overrides to make the server misbehave.
// It records every command line it receives.
#pragma once

#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class TScriptedFtpServer {
public:
    class TSession;
    using THandler = std::function<void(TSession& session, const std::string& argument)>;

    // What the control connection sees on connect (raw bytes, CR LF included).
    std::string Greeting = "220 Scripted server ready.\r\n";
    // Verb (upper case) to handler; preset with a well-behaved server.
    std::map<std::string, THandler> Handlers;
    // Served by LIST, NLST and MLSD.
    std::string Listing = "drwxr-xr-x 2 ftp ftp 4096 Jan 01 00:00 sub\r\n-rw-r--r-- 1 ftp ftp 6 Jan 01 00:00 a.txt\r\n";
    // Number of control connections to serve before the thread ends.
    int Sessions = 1;

    TScriptedFtpServer();
    ~TScriptedFtpServer();
    TScriptedFtpServer(const TScriptedFtpServer&) = delete;
    TScriptedFtpServer& operator=(const TScriptedFtpServer&) = delete;

    int Port() const { return port_; }
    void Start();
    // Waits for the serving thread (closes everything it held).
    void Join();

    std::vector<std::string> Commands() const;
    // The bytes each STOR/APPE received, in order.
    std::vector<std::string> Stored() const;

    class TSession {
    public:
        void Send(const std::string& raw);
        // Connects to the address of the last PORT command.
        bool OpenData();
        void SendData(const std::string& bytes);
        std::string ReceiveData();
        void CloseData();
        // Ends the control connection without a reply.
        void Close() { closed = true; }
        TScriptedFtpServer& server;
        int control = -1;
        int data = -1;
        std::string portAddress;
        int portNumber = 0;
        bool closed = false;
        explicit TSession(TScriptedFtpServer& s) : server(s) {}
    };

    // Handlers for the data commands, usable in overrides.
    static void SendListing(TSession& s, const std::string&);
    static void ReceiveFile(TSession& s, const std::string&);

private:
    void Serve();
    void ServeSession(int control);

    int listener_ = -1;
    int port_ = 0;
    std::thread thread_;
    mutable std::mutex lock_;
    std::vector<std::string> commands_;
    std::vector<std::string> stored_;
};

// Count of socket descriptors the process holds.
int CountOpenSockets();
