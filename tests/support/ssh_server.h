#pragma once

#include <filesystem>
#include <string>

#include "support/loopback_daemon.h"

// OpenSSH's sshd on 127.0.0.1 with a configuration, an ed25519 host key and authorized keys of
// its own, logging in the current user (root included) with the keys it made: "plain" without
// a passphrase and "secret" with Passphrase(). The SFTP files live under Site().
class SshServer final {
public:
    SshServer();

    unsigned short Port() const { return daemon_.Port(); }
    const std::filesystem::path& Folder() const { return daemon_.Folder(); }
    std::filesystem::path Site() const { return Folder() / "site"; }
    std::filesystem::path HostKeyFile() const { return Folder() / "host_key"; }
    // The private key file of one of the keys made: "plain", "secret" or "stranger" (this one
    // not authorized).
    std::filesystem::path Key(const std::string& name) const { return Folder() / ("id_" + name); }
    static std::string Passphrase() { return "open sesame"; }
    // The line of a known_hosts file that names this server with its key.
    std::string KnownHostsLine() const;
    static std::string User();

private:
    LoopbackDaemon daemon_;
};

// What the shell command writes on its standard output.
std::string CommandOutput(const std::string& command);
