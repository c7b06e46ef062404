#pragma once

#include <filesystem>
#include <string>

#include <sys/types.h>

// A real ProFTPD on 127.0.0.1, as hosting companies run it: explicit FTP over TLS required on
// control and data connections, data connections required to resume the control connection's
// TLS session (ProFTPD's default), one virtual user from its own password file. The daemon is
// the one scripts/daemons.sh unpacked into SW_DAEMONS_DIR; the object starts it in the
// foreground with a configuration of its own and stops it when it goes.
class ProftpdServer final {
public:
    // Starts the daemon with the certificate and key (PEM) and waits until it listens; throws
    // std::runtime_error when it cannot be started.
    ProftpdServer(const std::filesystem::path& certificate, const std::filesystem::path& key,
                  std::string user = "anna", std::string password = "pa ss:wörd");
    ~ProftpdServer();
    ProftpdServer(const ProftpdServer&) = delete;
    ProftpdServer& operator=(const ProftpdServer&) = delete;

    // "127.0.0.1:port", as the program's host field takes it.
    std::string Host() const;
    // The folder the user sees as "/".
    std::filesystem::path Root() const { return folder_ / "root"; }
    const std::string& User() const { return user_; }
    const std::string& Password() const { return password_; }
    // The daemon's own log, for a test that fails.
    std::string Log() const;

private:
    void stop();

    std::string user_;
    std::string password_;
    std::filesystem::path folder_;
    unsigned short port_ = 0;
    pid_t pid_ = -1;
};
