#include "sitemap/sftp_connection.h"

#include <cstdlib>

#include "core/text_util.h"
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
        return RefusalMeaning::Missing;
    case SftpFailureKind::Permission:
        return RefusalMeaning::Denied;
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
