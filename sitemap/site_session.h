#pragma once

#include <exception>
#include <memory>
#include <optional>

#include "ftp/Uftp_module.h"
#include "ftp/ftp_errors.h"
#include "sftp/sftp_errors.h"
#include "sitemap/site_connection.h"

struct SiteSettings;

// Why a step on the site's server failed: the FTP client's failure, or the SFTP session's.
struct ServerFailure {
    FtpFailure ftp;
    std::optional<SftpError> sftp;
    // Of a failed FTP login: the certificate that could not be verified and is not trusted.
    std::optional<CertificateInfo> untrustedCertificate;

    bool Failed() const { return sftp || ftp.kind != FtpFailureKind::None; }
    // Of a failed SFTP login: the host key nothing trusts, which the user may choose to trust.
    std::optional<SshHostKey> UntrustedHostKey() const;
    // Of a failed SFTP login: the key file is encrypted and its passphrase missing or wrong.
    bool PassphraseWanted() const;
};

// The failure raised by either transport.
ServerFailure ServerFailureOf(const std::exception& error);
// A failure raised as something that is no exception.
ServerFailure UnknownServerFailure();

// One job's session with the site's server by the settings' transport. Over FTP it holds the
// module's client for its whole life; over SFTP it has a connection of its own, which the
// module's stop (the window's stop button, Ctrl-C) reaches as well. Closes whatever happened
// (an SFTP session says goodbye first).
class SiteSession final {
public:
    SiteSession(Tftp_module& ftp, const SiteSettings& settings);
    ~SiteSession();
    SiteSession(const SiteSession&) = delete;
    SiteSession& operator=(const SiteSession&) = delete;

    // Connects and logs in with the settings' account: nothing, or why it failed.
    std::optional<ServerFailure> Open();
    // Of an open session.
    SiteConnection& Connection() { return *connection_; }

private:
    Tftp_module& ftp_;
    const SiteSettings& settings_;
    std::optional<Tftp_module::Session> lock_; // over FTP
    std::unique_ptr<SiteConnection> connection_;
    std::optional<StopRelay> stop_; // over SFTP; goes before the connection it reaches
};
