#include "sitemap/site_session.h"

#include "ftp/tls_setting.h"
#include "settings/SiteSettings.h"
#include "settings/ssh_settings.h"
#include "sitemap/ftp_connection.h"
#include "sitemap/sftp_connection.h"

std::optional<SshHostKey> ServerFailure::UntrustedHostKey() const {
    if (sftp && sftp->Kind() == SftpFailureKind::HostKeyUnknown)
        return sftp->HostKey();
    return std::nullopt;
}

bool ServerFailure::PassphraseWanted() const {
    return sftp && sftp->Kind() == SftpFailureKind::KeyPassphrase;
}

ServerFailure ServerFailureOf(const std::exception& error) {
    ServerFailure failure;
    if (const auto* sftp = dynamic_cast<const SftpError*>(&error))
        failure.sftp = *sftp;
    else
        failure.ftp = FailureOf(error);
    return failure;
}

ServerFailure UnknownServerFailure() {
    ServerFailure failure;
    failure.ftp.kind = FtpFailureKind::Unknown;
    return failure;
}

SiteSession::SiteSession(Tftp_module& ftp, const SiteSettings& settings)
    : ftp_(ftp), settings_(settings) {}

SiteSession::~SiteSession() {
    // The FTP session is closed without QUIT, as the upload's conversation always ended.
    if (lock_) {
        ftp_.FtpDisconnect();
        return;
    }
    if (connection_) {
        try {
            connection_->Quit();
        } catch (const std::exception&) {
            // The session was lost already; closing it is all there is left to do.
        }
    }
}

std::optional<ServerFailure> SiteSession::Open() {
    if (UsesSftp(settings_)) {
        connection_ = std::make_unique<SftpConnection>(settings_);
        stop_.emplace(ftp_.StopDescriptor(), *connection_);
        try {
            connection_->Connect();
        } catch (const SftpError& failure) {
            return ServerFailureOf(failure);
        }
        return std::nullopt;
    }
    lock_.emplace(ftp_.Lock());
    lock_->Client().SetTls(TlsOptionsFor(settings_.tls, settings_.tls_trust, settings_.hostname));
    if (ftp_.FtpConnect(settings_.hostname, settings_.username, settings_.password) != 0) {
        ServerFailure failure;
        failure.ftp = ftp_.LastError();
        failure.untrustedCertificate = ftp_.UntrustedCertificate();
        return failure;
    }
    connection_ = std::make_unique<FtpConnection>(lock_->Client(), settings_);
    return std::nullopt;
}
