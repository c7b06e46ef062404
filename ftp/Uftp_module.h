#pragma once

#include <mutex>
#include <optional>
#include <string>

#include "ftp/ftp_client.h"

// The program's one FTP client and the operations that turn its failures into results.
// Every conversation with the server holds a Session, so the window's commands and the
// retrieval's worker never interleave their commands on the one connection.
class Tftp_module final {
public:
    explicit Tftp_module(const Clock& clock = SystemClock());
    Tftp_module(const Tftp_module&) = delete;
    Tftp_module& operator=(const Tftp_module&) = delete;

    // Exclusive use of the client for as long as it lives. The thread that holds it may call
    // the module's operations too (the lock is recursive); other threads wait.
    class Session final {
    public:
        TIdFTP& Client() { return *ftp_; }
        TIdFTP* operator->() { return ftp_; }

    private:
        friend class Tftp_module;
        Session(std::recursive_mutex& mutex, TIdFTP& ftp) : lock_(mutex), ftp_(&ftp) {}
        Session(std::unique_lock<std::recursive_mutex> lock, TIdFTP& ftp)
            : lock_(std::move(lock)), ftp_(&ftp) {}
        std::unique_lock<std::recursive_mutex> lock_;
        TIdFTP* ftp_;
    };

    // Waits until no other thread holds the client.
    Session Lock();
    // The client if no other thread holds it; nothing otherwise, for callers that would
    // rather refuse than wait.
    std::optional<Session> TryLock();

    // Connects and logs in; 0 = connected and logged in, 1 = failed (the client is then
    // closed and LastError() says why). On a client already connected nothing is sent and the
    // result is 0.
    int FtpConnect(const std::string& host, const std::string& username,
                   const std::string& password);
    // Stores the local file under remoteName in the server's current folder: false = stored,
    // true = failed (LastError() says why). A local file that cannot be opened fails before
    // any command.
    bool FtpUpload(const std::string& localPath, const std::string& remoteName);
    // Closes the connection without QUIT; nothing on a closed client.
    void FtpDisconnect();

    // Ends the conversation going on, from any thread and without waiting for its session:
    // its wait fails at once (EIdStopped) and the client closes. Holds until ClearStop(), which
    // whoever starts the next conversation calls first.
    void Abort() const { FTP.RaiseStop(); }
    void ClearStop() const { FTP.ClearStop(); }
    // Readable while Abort holds.
    int StopDescriptor() const { return FTP.StopDescriptor(); }

    // Closes the client when it goes, however the conversation in its scope ended.
    class ScopedDisconnect final {
    public:
        explicit ScopedDisconnect(Tftp_module& ftp) : ftp_(ftp) {}
        ~ScopedDisconnect() { ftp_.FtpDisconnect(); }
        ScopedDisconnect(const ScopedDisconnect&) = delete;
        ScopedDisconnect& operator=(const ScopedDisconnect&) = delete;

    private:
        Tftp_module& ftp_;
    };

    // The certificate the last FtpConnect refused because it could not be verified and was not
    // the trusted one; nothing when the last FtpConnect failed otherwise or succeeded.
    std::optional<CertificateInfo> UntrustedCertificate() const;

    // Why the last FtpConnect or FtpUpload failed: the server's reply or the socket's or the
    // file's error; of kind None when the last one succeeded.
    FtpFailure LastError() const;

private:
    void setLastError(FtpFailure failure);
    void setUntrusted(std::optional<CertificateInfo> certificate);

    std::recursive_mutex sessionMutex_;
    TIdFTP FTP;
    mutable std::mutex errorMutex_;
    FtpFailure lastError_;
    std::optional<CertificateInfo> untrusted_;
};
