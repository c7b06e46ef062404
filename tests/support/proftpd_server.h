#pragma once

#include <filesystem>
#include <string>

#include "support/loopback_daemon.h"

// A real ProFTPD on 127.0.0.1, as hosting companies run it: explicit FTP over TLS required on
// control and data connections, data connections required to resume the control connection's
// TLS session (ProFTPD's default), one virtual user from its own password file, mapped to the
// test's own user.
class ProftpdServer final {
public:
    // Starts the daemon with the certificate and key (PEM) and waits until it listens; throws
    // std::runtime_error when it cannot be started.
    ProftpdServer(const std::filesystem::path& certificate, const std::filesystem::path& key,
                  std::string user = "anna", std::string password = "pa ss:wörd");

    std::string Host() const { return daemon_.Host(); }
    // The folder the user sees as "/".
    std::filesystem::path Root() const { return daemon_.Folder() / "root"; }
    const std::string& User() const { return user_; }
    const std::string& Password() const { return password_; }
    // The daemon's own log, for a test that fails.
    std::string Log() const;

private:
    std::string user_;
    std::string password_;
    LoopbackDaemon daemon_{"proftpd"};
};
