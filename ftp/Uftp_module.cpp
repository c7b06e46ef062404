#include "ftp/Uftp_module.h"

#include <exception>

#include "core/texts.h"

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
        setLastError({});
        return 0;
    }
    try {
        FTP.Connect(host, username, password);
        setLastError({});
        return 0;
    } catch (const EIdUntrustedCertificate& error) {
        setLastError(error.what());
        setUntrusted(error.Certificate());
    } catch (const std::exception& error) {
        setLastError(error.what());
    } catch (...) {
        setLastError(std::string(texts::kFtpUnknownError));
    }
    FTP.Disconnect();
    return 1;
}

bool Tftp_module::FtpUpload(const std::string& localPath, const std::string& remoteName) {
    Session session = Lock();
    try {
        FTP.StoreFile(localPath, remoteName);
        setLastError({});
        return false;
    } catch (const std::exception& error) {
        setLastError(error.what());
    } catch (...) {
        setLastError(std::string(texts::kFtpUnknownError));
    }
    return true;
}

void Tftp_module::FtpDisconnect() {
    Session session = Lock();
    FTP.Disconnect();
}

std::string Tftp_module::LastError() const {
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

void Tftp_module::setLastError(const std::string& text) {
    std::lock_guard<std::mutex> lock(errorMutex_);
    lastError_ = text;
}
