#include "sitemap/sftp_connection.h"

#include <cstdlib>

#include "core/text_util.h"
#include "core/texts.h"
#include "settings/ssh_settings.h"

void SftpConnection::Connect() {
    const SshAddress address = SshAddressOf(settings_);
    SftpCredentials credentials;
    credentials.username = settings_.username;
    if (!settings_.key_file.empty()) {
        credentials.method = SftpAuthMethod::KeyFile;
        credentials.keyFile = settings_.key_file;
        credentials.passphrase = settings_.key_passphrase;
    } else if (!settings_.password.empty()) {
        credentials.password = settings_.password;
    } else {
        credentials.method = SftpAuthMethod::Agent;
    }
    // The user's known_hosts as OpenSSH finds it: under $HOME, which libssh alone would not ask.
    SftpHostTrust trust{{}, TrustedHostKey(settings_)};
    if (const char* home = std::getenv("HOME"); home != nullptr && home[0] == '/')
        trust.knownHosts = std::filesystem::path(home) / ".ssh" / "known_hosts";
    ++requests_;
    session_.Connect(address.host, address.port, trust, credentials);
}

std::string SftpConnection::CurrentFolder() {
    ++requests_;
    return session_.RealPath(".");
}

void SftpConnection::EnterFolder(const std::string& path) {
    ++requests_;
    folder_ = session_.RealPath(resolved(path));
}

std::vector<SiteEntry> SftpConnection::List(const std::string& path) {
    ++requests_;
    std::vector<SiteEntry> entries;
    for (SftpEntry& entry : session_.ListFolder(resolved(path)))
        entries.push_back({std::move(entry.name), entry.modified, true,
                           entry.kind == SftpEntryKind::Folder, {}});
    return entries;
}

std::optional<std::string> SftpConnection::ReadFile(const std::string& path,
                                                    std::size_t maxBytes) {
    ++requests_;
    return session_.ReadFile(resolved(path), maxBytes);
}

void SftpConnection::Store(const std::string& localPath, const std::string& name) {
    ++requests_;
    session_.Upload(localPath, resolved(name));
}

bool SftpConnection::Replace(const std::string& localPath, const std::string& name) {
    Store(localPath, name);
    return true;
}

void SftpConnection::Remove(const std::string& name) {
    ++requests_;
    session_.Remove(resolved(name));
}

RefusalMeaning SftpConnection::MeaningOf(const std::exception& error) const {
    const auto* failure = dynamic_cast<const SftpError*>(&error);
    if (failure == nullptr)
        return RefusalMeaning::Broken;
    switch (failure->Kind()) {
    case SftpFailureKind::NoSuchFile:
    case SftpFailureKind::Permission:
        return RefusalMeaning::Missing;
    case SftpFailureKind::Refused:
        return RefusalMeaning::Refused;
    default:
        return RefusalMeaning::Broken;
    }
}

std::string SftpConnection::resolved(const std::string& name) {
    if (folder_.empty() || name.empty() || name.front() == '/')
        return name;
    return Concat({folder_, folder_.back() == '/' ? "" : "/", name});
}

std::string SftpFailureText(const SftpError& error, const std::string& host) {
    std::string_view sentence = texts::kSftpRefused;
    switch (error.Kind()) {
    case SftpFailureKind::ConnectFailed: sentence = texts::kSftpConnectFailed; break;
    case SftpFailureKind::HostKeyUnknown: sentence = texts::kSftpHostKeyUnknown; break;
    case SftpFailureKind::HostKeyChanged: sentence = texts::kSftpHostKeyChanged; break;
    case SftpFailureKind::AuthFailed: sentence = texts::kSftpAuthFailed; break;
    case SftpFailureKind::KeyPassphrase: sentence = texts::kSftpKeyPassphrase; break;
    case SftpFailureKind::KeyUnusable: sentence = texts::kSftpKeyUnusable; break;
    case SftpFailureKind::NoSuchFile: sentence = texts::kSftpNoSuchFile; break;
    case SftpFailureKind::Permission: sentence = texts::kSftpPermission; break;
    case SftpFailureKind::Refused: break;
    case SftpFailureKind::LocalFile: sentence = texts::kSftpLocalFile; break;
    case SftpFailureKind::TooLarge: sentence = texts::kSftpTooLarge; break;
    case SftpFailureKind::LostConnection: sentence = texts::kSftpLostConnection; break;
    case SftpFailureKind::TimedOut: sentence = texts::kSftpTimedOut; break;
    case SftpFailureKind::Stopped: sentence = texts::kSftpStopped; break;
    }
    std::string text(sentence);
    // A refused host key's detail is its fingerprint, shown with its type and host.
    if (!error.HostKey().fingerprint.empty())
        text += Concat({texts::kLineBreak,
                        Filled(texts::kHostKeyFacts, {{"host", EscapeControls(host)},
                                                      {"type", error.HostKey().type},
                                                      {"fingerprint", error.HostKey().fingerprint}})});
    else if (error.what()[0] != '\0')
        text += Concat({texts::kLineBreak, EscapeControls(error.what())});
    return text;
}
