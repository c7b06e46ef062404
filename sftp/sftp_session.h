#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "core/date_time.h"
#include "sftp/sftp_errors.h"
#include "sftp/wait_guard.h"

struct ssh_session_struct;
struct sftp_session_struct;

// Bounds on waiting for the server. When one fires, the session closes and the operation
// raises TimedOut. The request and transfer bounds cover a whole operation, so a server that
// trickles a byte now and then within the silence bound cannot hold the session for ever.
struct SftpTimeouts {
    std::chrono::milliseconds connect{30000};  // the TCP connection
    std::chrono::milliseconds silence{60000};  // without a packet while one is awaited
    std::chrono::milliseconds request{300000}; // the handshake and login, a listing, a rename
    // A file read or an upload may take transfer plus transferPer8MiB for every 8 MiB moved.
    std::chrono::milliseconds transfer{300000};
    std::chrono::milliseconds transferPer8MiB{60000};
};

// Which host keys the session trusts.
struct SftpHostTrust {
    // OpenSSH's file of known hosts; empty for the user's ~/.ssh/known_hosts.
    std::filesystem::path knownHosts;
    // "SHA256:..." of a key the user trusted for this host, or empty.
    std::string trustedFingerprint;
};

enum class SftpAuthMethod { Password, Agent, KeyFile };

struct SftpCredentials {
    std::string username;
    SftpAuthMethod method = SftpAuthMethod::Password;
    std::string password;          // Password
    std::string agentSocket;       // Agent: empty for SSH_AUTH_SOCK
    std::filesystem::path keyFile; // KeyFile
    std::string passphrase;        // KeyFile, when the key is encrypted
};

enum class SftpEntryKind { File, Folder, Link };

// One entry of a folder, as the server's directory read states it: a link is reported as a
// link, never as what it leads to.
struct SftpEntry {
    std::string name; // the server's bytes
    SftpEntryKind kind = SftpEntryKind::File;
    DateTime modified; // UTC, exact to the second; zero when the server sent no time
    std::uint64_t size = 0;
};

// One SSH connection with one SFTP channel. Failures raise SftpError. Not thread-safe: one
// caller at a time, except RaiseStop; several connections are several sessions.
class SftpSession final {
public:
    SftpSession();
    ~SftpSession();
    SftpSession(const SftpSession&) = delete;
    SftpSession& operator=(const SftpSession&) = delete;

    void SetTimeouts(const SftpTimeouts& timeouts) { timeouts_ = timeouts; }

    // Connects, checks the host key and only then logs in and opens the SFTP channel. A key is
    // trusted when trust's fingerprint names it or known_hosts holds it for host:port; a host
    // known with another key raises HostKeyChanged, a key known nowhere HostKeyUnknown, both
    // carrying the offered key.
    void Connect(const std::string& host, unsigned short port, const SftpHostTrust& trust,
                 const SftpCredentials& credentials);
    bool IsConnected() const;
    // The key of the last connection's server.
    const SshHostKey& HostKey() const { return hostKey_; }

    // The entries of the folder at path, without "." and "..". A folder of more than
    // kMaxEntries entries raises TooLarge.
    std::vector<SftpEntry> ListFolder(const std::string& path);
    static constexpr std::size_t kMaxEntries = 2097152;
    // The file's first maxBytes bytes; nothing when there is no such file.
    std::optional<std::string> ReadFile(const std::string& path, std::size_t maxBytes);
    // Writes the local file to a temporary name beside remotePath, then renames it over
    // remotePath (atomically where the server offers POSIX rename), so readers see the old
    // file or the new one, never a part. The file keeps the old one's permissions.
    void Upload(const std::filesystem::path& localPath, const std::string& remotePath);
    void Remove(const std::string& path);
    // The absolute form of path ("." for the folder the login leaves the session in).
    std::string RealPath(const std::string& path);

    // Any thread, or a signal handler: ends the wait the session is in; the operation raises
    // Stopped and the session closes. Later operations fail the same way until ClearStop().
    void RaiseStop() { guard_.RaiseStop(); }
    void ClearStop() { guard_.Clear(); }

    // Closes the connection. Nothing on a closed session.
    void Disconnect();

private:
    void checkHostKey(const SftpHostTrust& trust);
    void authenticate(const SftpCredentials& credentials);
    void authenticateWithKeyFile(const SftpCredentials& credentials);
    void startSftp();
    // Raises unless connected; with settle, first reads the replies still owed to requests
    // sent without waiting, so that libssh's next read meets only its own.
    void requireConnected(bool settle = true);
    bool sshAlive() const;
    // Raises the failure of the last libssh call: Stopped, TimedOut or LostConnection when
    // that is what ended it (closing the session), else kind with libssh's text.
    [[noreturn]] void fail(SftpFailureKind kind, const std::string& what);
    // As fail, the kind taken from the SFTP status of the last request.
    [[noreturn]] void failRequest(const std::string& what);
    SftpFailureKind requestKind() const;
    void arm(std::chrono::milliseconds bound);
    // Extends the transfer deadline of a transfer that started at start and moved bytes.
    void armTransfer(WaitGuard::Clock::time_point start, std::uint64_t moved);
    void writeFile(const std::filesystem::path& localPath, const std::string& remotePath,
                   std::uint32_t mode);
    void renameOver(const std::string& from, const std::string& to);
    // The OpenSSH extension that replaces the target in one step; false when refused as
    // unsupported.
    bool posixRename(const std::string& from, const std::string& to);

    // Requests of type and fields (after the id) on the SFTP channel in one write; their ids.
    std::vector<std::uint32_t>
    send(const std::vector<std::pair<std::uint8_t, std::string>>& requests);
    // The reply (type, id, fields) to the request id, keeping those to others in flight.
    std::string replyTo(std::uint32_t id, const std::string& what);
    std::string readReply(const std::string& what);
    // Leaves the replies to ids unread until they arrive with a later one.
    void defer(const std::vector<std::uint32_t>& ids);
    void collectDeferred();
    // As failRequest, the status taken from the status reply.
    [[noreturn]] void failStatus(const std::string& reply, const std::string& what);
    // Closes the session and raises Refused: the server broke the protocol.
    [[noreturn]] void breakOff(const std::string& what);

    SftpTimeouts timeouts_;
    WaitGuard guard_;
    ssh_session_struct* ssh_ = nullptr;
    sftp_session_struct* sftp_ = nullptr;
    int socket_ = -1; // the connection libssh runs on
    SshHostKey hostKey_;
    std::set<std::uint32_t> awaited_;            // requests sent, their replies not read
    std::set<std::uint32_t> deferred_;           // of those, the ones nobody waits for
    std::map<std::uint32_t, std::string> early_; // replies read before their turn
};
