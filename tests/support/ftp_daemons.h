#pragma once

#include <filesystem>
#include <string>

#include "support/loopback_daemon.h"

// A certificate and its key (PEM) for a daemon that requires explicit TLS on control and data
// connections, data connections resuming the control connection's session.
struct DaemonTls {
    std::filesystem::path certificate;
    std::filesystem::path key;
};

// vsftpd 3.0.3 on 127.0.0.1, plain FTP or with tls. Its local users need PAM, which reads /etc; instead
// the daemon runs as the test's own user (run_as_launching_user) and serves one anonymous
// login, mapped to that user, that may list, read and upload. That user has no chroot: it sees
// the machine's folders under their own paths, Root() under RootPath().
class VsftpdServer final {
public:
    // Starts the daemon and waits until it listens; throws std::runtime_error when it cannot.
    explicit VsftpdServer(const DaemonTls* tls = nullptr);

    std::string Host() const { return daemon_.Host(); }
    // The folder the user starts in, and its path as the user sees it.
    std::filesystem::path Root() const { return daemon_.Folder() / "root"; }
    std::string RootPath() const { return Root().string(); }
    std::string User() const { return "anonymous"; }
    std::string Password() const { return "sitewright@example.com"; }
    std::string Log() const;

private:
    LoopbackDaemon daemon_{"vsftpd"};
};

// Pure-FTPd on 127.0.0.1, plain FTP or with tls (Pure-FTPd does not require resumption), with one virtual user of its own password database (made
// with pure-pw). Pure-FTPd lets no virtual user act as root, so the user is "nobody": the test
// must run as root, and a folder the user uploads into must be writable for all.
class PureFtpdServer final {
public:
    // Starts the daemon and waits until it listens; throws std::runtime_error when it cannot.
    explicit PureFtpdServer(const DaemonTls* tls = nullptr, std::string user = "anna",
                            std::string password = "pa ss:wörd");

    std::string Host() const { return daemon_.Host(); }
    // The folder the user sees as "/".
    std::filesystem::path Root() const { return daemon_.Folder() / "root"; }
    const std::string& User() const { return user_; }
    const std::string& Password() const { return password_; }

private:
    std::string user_;
    std::string password_;
    LoopbackDaemon daemon_{"pureftpd"};
};
