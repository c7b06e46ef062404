#pragma once

#include <chrono>
#include <filesystem>
#include <string>

#include <sys/types.h>

// A real FTP server (Debian's pyftpdlib under /usr/bin/python3) on 127.0.0.1 with a free port,
// a fresh temporary root folder and one user with a password. The server runs while the
// object lives; the destructor stops it and removes the root. Should the test process die
// first, the server is killed with it (the parent-death signal of the thread that made it).
class PyFtpServer final {
public:
    // Explicit FTP over TLS with this certificate and key (PEM files); required or offered.
    struct Tls {
        std::filesystem::path certificate;
        std::filesystem::path key;
        bool required = false;
    };

    // A plain server that serves every command after delay, each session on a thread of its
    // own, as over a slow link; it logs commands as a TLS one does.
    struct Slow {
        std::chrono::milliseconds delay;
    };

    // A plain server on another loopback address: "::1" for IPv6.
    struct Address {
        std::string host;
    };

    // A plain server that neither offers nor takes MLST and MLSD: it lists with LIST only, as
    // servers without RFC 3659 do.
    struct WithoutMlsd {};

    // Everything the server logged, every command received among it ("<- USER anna" and the
    // like); empty unless the server was started with a TLS configuration or slow.
    std::string CommandLog() const;

    // Starts the server and waits until it listens; throws std::runtime_error when it
    // cannot be started.
    explicit PyFtpServer(std::string user = "sitewright", std::string password = "pa ss:wörd");
    explicit PyFtpServer(const Tls& tls, std::string user = "sitewright",
                         std::string password = "pa ss:wörd");
    explicit PyFtpServer(const Slow& slow, std::string user = "sitewright",
                         std::string password = "pa ss:wörd");
    explicit PyFtpServer(const Address& address, std::string user = "sitewright",
                         std::string password = "pa ss:wörd");
    explicit PyFtpServer(WithoutMlsd, std::string user = "sitewright",
                         std::string password = "pa ss:wörd");
    ~PyFtpServer();
    PyFtpServer(const PyFtpServer&) = delete;
    PyFtpServer& operator=(const PyFtpServer&) = delete;

    unsigned short Port() const { return port_; }
    // "127.0.0.1:port" ("[::1]:port"), as the program's host field takes it.
    std::string Host() const;
    // The folder the user sees as "/".
    const std::filesystem::path& Root() const { return root_; }
    const std::string& User() const { return user_; }
    const std::string& Password() const { return password_; }

private:
    void start(const Tls* tls, const std::string& host = "127.0.0.1",
               std::chrono::milliseconds delay = {}, bool mlsd = true);
    // Beside the root, so that listings never show it.
    std::filesystem::path commandLogPath() const;
    void stop();

    std::string user_;
    std::string password_;
    std::string host_;
    std::filesystem::path root_;
    pid_t pid_ = -1;
    unsigned short port_ = 0;
};
