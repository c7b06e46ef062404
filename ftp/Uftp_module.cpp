#include "ftp/Uftp_module.h"

#include <exception>


Tftp_module::Tftp_module(const Clock& clock) : FTP(clock) {}

Tftp_module::Session Tftp_module::Lock() {
    return Session(sessionMutex_, FTP);
}

std::optional<Tftp_module::Session> Tftp_module::TryLock() {
    std::unique_lock<std::recursive_mutex> lock(sessionMutex_, std::try_to_lock);
    if (!lock.owns_lock())
        return std::nullopt;
    return Session(std::move(lock), FTP);
}

int Tftp_module::FtpConnect(const std::string& host, const std::string& username,
                            const std::string& password) {
    Session session = Lock();
    setUntrusted(std::nullopt);
    if (FTP.IsConnected()) {
        setLastError({FtpFailureKind::None});
        return 0;
    }
    try {
        FTP.Connect(host, username, password);
        setLastError({FtpFailureKind::None});
        return 0;
    } catch (const EIdUntrustedCertificate& error) {
        setLastError(error.Failure());
        setUntrusted(error.Certificate());
    } catch (const std::exception& error) {
        setLastError(FailureOf(error));
    } catch (...) {
        setLastError({FtpFailureKind::Unknown});
    }
    FTP.Disconnect();
    return 1;
}

bool Tftp_module::FtpUpload(const std::string& localPath, const std::string& remoteName) {
    Session session = Lock();
    try {
        FTP.StoreFile(localPath, remoteName);
        setLastError({FtpFailureKind::None});
        return false;
    } catch (const std::exception& error) {
        setLastError(FailureOf(error));
    } catch (...) {
        setLastError({FtpFailureKind::Unknown});
    }
    return true;
}

void Tftp_module::FtpDisconnect() {
    Session session = Lock();
    FTP.Disconnect();
}

FtpFailure Tftp_module::LastError() const {
    std::lock_guard<std::mutex> lock(errorMutex_);
    return lastError_;
}

std::optional<CertificateInfo> Tftp_module::UntrustedCertificate() const {
    std::lock_guard<std::mutex> lock(errorMutex_);
    return untrusted_;
}

void Tftp_module::setUntrusted(std::optional<CertificateInfo> certificate) {
    std::lock_guard<std::mutex> lock(errorMutex_);
    untrusted_ = std::move(certificate);
}

void Tftp_module::setLastError(FtpFailure failure) {
    std::lock_guard<std::mutex> lock(errorMutex_);
    lastError_ = std::move(failure);
}
