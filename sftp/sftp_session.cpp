#include "sftp/sftp_session.h"

#include <memory>

#include <libssh/libssh.h>
#include <libssh/sftp.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

using KeyPointer = std::unique_ptr<ssh_key_struct, decltype(&::ssh_key_free)>;

std::string fingerprintOf(ssh_key key) {
    unsigned char* hash = nullptr;
    std::size_t length = 0;
    if (::ssh_get_publickey_hash(key, SSH_PUBLICKEY_HASH_SHA256, &hash, &length) != SSH_OK)
        return {};
    char* text = ::ssh_get_fingerprint_hash(SSH_PUBLICKEY_HASH_SHA256, hash, length);
    ::ssh_clean_pubkey_hash(&hash);
    std::string fingerprint = text ? text : "";
    ::ssh_string_free_char(text);
    return fingerprint;
}

// Asked by libssh for the passphrase of an encrypted key that came without one: refusing it
// makes the import fail, and the flag tells that failure from an unreadable file.
int passphraseWanted(const char*, char*, std::size_t, int, int, void* userdata) {
    *static_cast<bool*>(userdata) = true;
    return -1;
}

} // namespace

SftpSession::SftpSession() = default;

SftpSession::~SftpSession() {
    Disconnect();
}

void SftpSession::Connect(const std::string& host, unsigned short port, const SftpHostTrust& trust,
                          const SftpCredentials& credentials) {
    Disconnect();
    if (guard_.Stopped())
        throw SftpError(SftpFailureKind::Stopped, "stopped before connecting");
    hostKey_ = {};
    socket_ = guard_.Connect(host, port, timeouts_.connect);
    ssh_ = ::ssh_new();
    if (!ssh_) {
        Disconnect();
        throw SftpError(SftpFailureKind::ConnectFailed, "ssh_new");
    }
    // libssh uses the descriptor but never closes one it was given: Disconnect does.
    const int fd = socket_;
    // Requests sent together or just after an unanswered one leave at once, not a round trip
    // later.
    const int on = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    const long silence = static_cast<long>(
        std::max<std::chrono::milliseconds::rep>(1, timeouts_.silence.count() / 1000));
    const int processConfig = 0;
    ::ssh_options_set(ssh_, SSH_OPTIONS_FD, &fd);
    ::ssh_options_set(ssh_, SSH_OPTIONS_PROCESS_CONFIG, &processConfig);
    ::ssh_options_set(ssh_, SSH_OPTIONS_HOST, host.c_str());
    const unsigned int portNumber = port;
    ::ssh_options_set(ssh_, SSH_OPTIONS_PORT, &portNumber);
    ::ssh_options_set(ssh_, SSH_OPTIONS_USER, credentials.username.c_str());
    ::ssh_options_set(ssh_, SSH_OPTIONS_TIMEOUT, &silence);
    if (!trust.knownHosts.empty())
        ::ssh_options_set(ssh_, SSH_OPTIONS_KNOWNHOSTS, trust.knownHosts.c_str());
    if (!credentials.agentSocket.empty())
        ::ssh_options_set(ssh_, SSH_OPTIONS_IDENTITY_AGENT, credentials.agentSocket.c_str());
    arm(timeouts_.request);
    if (::ssh_connect(ssh_) != SSH_OK)
        fail(SftpFailureKind::ConnectFailed, "handshake");
    checkHostKey(trust);
    authenticate(credentials);
    startSftp();
    guard_.Disarm();
}

void SftpSession::checkHostKey(const SftpHostTrust& trust) {
    ssh_key offered = nullptr;
    if (::ssh_get_server_publickey(ssh_, &offered) != SSH_OK)
        fail(SftpFailureKind::Refused, "no host key");
    const KeyPointer key(offered, ::ssh_key_free);
    hostKey_ = {::ssh_key_type_to_char(::ssh_key_type(offered)), fingerprintOf(offered)};
    if (hostKey_.fingerprint.empty())
        fail(SftpFailureKind::Refused, "host key fingerprint");
    if (hostKey_.fingerprint == trust.trustedFingerprint)
        return;
    const ssh_known_hosts_e known = ::ssh_session_is_known_server(ssh_);
    if (known == SSH_KNOWN_HOSTS_OK)
        return;
    // A host known_hosts names with another key, or with a key of another type, or a stored
    // fingerprint that no longer matches: the key changed, which an interception looks like.
    const bool changed = known == SSH_KNOWN_HOSTS_CHANGED || known == SSH_KNOWN_HOSTS_OTHER ||
                         !trust.trustedFingerprint.empty();
    const SshHostKey offeredKey = hostKey_;
    Disconnect();
    hostKey_ = offeredKey;
    if (changed)
        throw SftpError(SftpFailureKind::HostKeyChanged, offeredKey.fingerprint, offeredKey);
    throw SftpError(SftpFailureKind::HostKeyUnknown, offeredKey.fingerprint, offeredKey);
}

void SftpSession::authenticate(const SftpCredentials& credentials) {
    int result = SSH_AUTH_ERROR;
    switch (credentials.method) {
    case SftpAuthMethod::Password:
        result = ::ssh_userauth_password(ssh_, nullptr, credentials.password.c_str());
        break;
    case SftpAuthMethod::Agent:
        result = ::ssh_userauth_agent(ssh_, nullptr);
        break;
    case SftpAuthMethod::KeyFile:
        authenticateWithKeyFile(credentials);
        return;
    }
    if (result != SSH_AUTH_SUCCESS)
        fail(SftpFailureKind::AuthFailed, "authentication");
}

void SftpSession::authenticateWithKeyFile(const SftpCredentials& credentials) {
    bool wanted = false;
    ssh_key imported = nullptr;
    const char* passphrase =
        credentials.passphrase.empty() ? nullptr : credentials.passphrase.c_str();
    const int read = ::ssh_pki_import_privkey_file(credentials.keyFile.c_str(), passphrase,
                                                   passphraseWanted, &wanted, &imported);
    if (read != SSH_OK) {
        // libssh reads an encrypted key given a wrong passphrase as it reads a damaged file;
        // only a key that carried a passphrase marker is worth asking about again.
        const bool encrypted = wanted || passphrase != nullptr;
        const SftpFailureKind kind = read != SSH_EOF && encrypted ? SftpFailureKind::KeyPassphrase
                                                                  : SftpFailureKind::KeyUnusable;
        const std::string detail = credentials.keyFile.string();
        Disconnect();
        throw SftpError(kind, detail);
    }
    const KeyPointer key(imported, ::ssh_key_free);
    if (::ssh_userauth_publickey(ssh_, nullptr, imported) != SSH_AUTH_SUCCESS)
        fail(SftpFailureKind::AuthFailed, "public key");
}

void SftpSession::startSftp() {
    sftp_ = ::sftp_new(ssh_);
    if (!sftp_)
        fail(SftpFailureKind::Refused, "sftp channel");
    if (::sftp_init(sftp_) != SSH_OK)
        fail(SftpFailureKind::Refused, "sftp subsystem");
}

bool SftpSession::IsConnected() const {
    return sshAlive() && sftp_ && ::ssh_channel_is_open(sftp_->channel) &&
           !::ssh_channel_is_eof(sftp_->channel);
}

bool SftpSession::sshAlive() const {
    return ssh_ && ::ssh_is_connected(ssh_) &&
           (::ssh_get_status(ssh_) & (SSH_CLOSED | SSH_CLOSED_ERROR)) == 0;
}

void SftpSession::requireConnected(bool settle) {
    if (guard_.Stopped())
        fail(SftpFailureKind::Stopped, "stopped");
    if (!IsConnected())
        fail(SftpFailureKind::LostConnection, "not connected");
    if (settle && !deferred_.empty()) {
        arm(timeouts_.request);
        collectDeferred();
    }
}

void SftpSession::fail(SftpFailureKind kind, const std::string& what) {
    guard_.Disarm();
    std::string detail = what;
    if (ssh_) {
        const char* text = ::ssh_get_error(ssh_);
        if (text && *text)
            detail += std::string(": ") + text;
    }
    if (guard_.Stopped())
        kind = SftpFailureKind::Stopped;
    else if (guard_.TimedOut())
        kind = SftpFailureKind::TimedOut;
    else if (ssh_ && kind != SftpFailureKind::ConnectFailed &&
             !(sftp_ ? IsConnected() : sshAlive()))
        kind = SftpFailureKind::LostConnection;
    const bool closes = kind == SftpFailureKind::Stopped || kind == SftpFailureKind::TimedOut ||
                        kind == SftpFailureKind::LostConnection ||
                        kind == SftpFailureKind::ConnectFailed ||
                        kind == SftpFailureKind::AuthFailed || !sftp_;
    if (closes)
        Disconnect();
    throw SftpError(kind, detail);
}

void SftpSession::arm(std::chrono::milliseconds bound) {
    guard_.Arm(WaitGuard::Clock::now() + bound);
}

void SftpSession::Disconnect() {
    guard_.Disarm();
    awaited_.clear();
    deferred_.clear();
    early_.clear();
    if (sftp_) {
        ::sftp_free(sftp_);
        sftp_ = nullptr;
    }
    if (ssh_) {
        ::ssh_disconnect(ssh_);
        ::ssh_free(ssh_);
        ssh_ = nullptr;
    }
    if (socket_ >= 0) {
        ::close(socket_);
        socket_ = -1;
    }
}
