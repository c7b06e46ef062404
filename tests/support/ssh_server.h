#pragma once

#include <filesystem>
#include <string>

#include "support/loopback_daemon.h"
#include "support/temp_folder.h"

// OpenSSH's sshd on 127.0.0.1 with a configuration, an ed25519 host key and authorized keys of
// its own, logging in the current user (root included) with the keys it made: "plain" without
// a passphrase and "secret" with Passphrase(), or with Password(), which PAM checks against a
// list of the server's own (pam_wrapper), not the system's. The SFTP files live under Site().
class SshServer final {
public:
    // forUnprivileged: UnprivilegedUser() may log in too (sshd reads the authorized keys as the
    // user who logs in).
    explicit SshServer(bool forUnprivileged = false);

    unsigned short Port() const { return daemon_.Port(); }
    const std::filesystem::path& Folder() const { return daemon_.Folder(); }
    std::filesystem::path Site() const { return Folder() / "site"; }
    std::filesystem::path HostKeyFile() const { return Folder() / "host_key"; }
    // The private key file of one of the keys made: "plain", "secret" or "stranger" (this one
    // not authorized).
    std::filesystem::path Key(const std::string& name) const { return Folder() / ("id_" + name); }
    static std::string Passphrase() { return "open sesame"; }
    static std::string Password() { return "pass wörd"; }
    // The line of a known_hosts file that names this server with its key.
    std::string KnownHostsLine() const;
    static std::string User();
    // A user whom file modes bind: the current one, or "nobody" when the tests run as root.
    static std::string UnprivilegedUser();

private:
    LoopbackDaemon daemon_;
};

// An ssh-agent of the test's own, its socket in a temporary folder, holding the key whose
// private file is given; stopped by its process id when the object goes.
class SshAgent final {
public:
    explicit SshAgent(const std::filesystem::path& key);
    ~SshAgent();
    SshAgent(const SshAgent&) = delete;
    SshAgent& operator=(const SshAgent&) = delete;

    std::string Socket() const { return (folder_.Path() / "agent.sock").string(); }

private:
    TempFolder folder_{"sw_agent"};
    int pid_ = -1;
};

// The SHA-256 fingerprint of a public key file as OpenSSH writes it: "SHA256:...".
std::string KeyFingerprint(const std::filesystem::path& publicKey);

// What the shell command writes on its standard output.
std::string CommandOutput(const std::string& command);
