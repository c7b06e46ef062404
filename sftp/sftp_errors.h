#pragma once

#include <stdexcept>
#include <string>

// What went wrong in an SFTP session; the caller picks what to tell the user from the kind.
enum class SftpFailureKind {
    ConnectFailed,  // the name does not resolve, or nothing accepts the connection
    HostKeyUnknown, // neither known_hosts nor the caller's trusted fingerprint names the key
    HostKeyChanged, // the host is known with another key: possibly an interception
    AuthFailed,     // the server refused the password, the agent's keys or the key file
    KeyPassphrase,  // the key file is encrypted and the passphrase is missing or wrong
    KeyUnusable,    // the key file cannot be read or is no private key
    NoSuchFile,     // the file or folder does not exist
    Permission,     // the server refused access
    Refused,        // any other refusal of a request, or a reply out of order
    LocalFile,      // the local file to upload cannot be read or is no regular file
    TooLarge,       // a folder beyond the bound on entries
    LostConnection, // the connection or the SFTP channel closed
    TimedOut,       // a bound on waiting fired
    Stopped,        // the caller raised the stop
};

// The server's host key as OpenSSH shows it: its type ("ssh-ed25519") and its SHA-256
// fingerprint "SHA256:" + base64 without padding.
struct SshHostKey {
    std::string type;
    std::string fingerprint;
};

// A failure of an SFTP session: what() is the technical detail (libssh's or the server's own
// text), never a sentence for the user. After LostConnection, TimedOut and Stopped the session
// is closed.
class SftpError : public std::runtime_error {
public:
    SftpError(SftpFailureKind kind, const std::string& detail, SshHostKey hostKey = {})
        : std::runtime_error(detail), kind_(kind), hostKey_(std::move(hostKey)) {}
    SftpFailureKind Kind() const { return kind_; }
    // The key the server offered, with HostKeyUnknown and HostKeyChanged.
    const SshHostKey& HostKey() const { return hostKey_; }

private:
    SftpFailureKind kind_;
    SshHostKey hostKey_;
};
