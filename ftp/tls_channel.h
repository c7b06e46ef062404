#pragma once

#include <chrono>
#include <cstddef>
#include <deque>
#include <memory>
#include <string>
#include <string_view>

#include "ftp/ftp_errors.h"

using SSL = struct ssl_st;
using SSL_CTX = struct ssl_ctx_st;
using SSL_SESSION = struct ssl_session_st;
class TcpSocket;

// The TLS handshake failed, or the TLS layer of a connection broke.
class EIdTlsError : public EIdSocketError {
public:
    using EIdSocketError::EIdSocketError;
};

// The server's certificate could not be verified and is not the one the user trusted for this
// host. Nothing was sent after the handshake.
class EIdUntrustedCertificate : public EIdTlsError {
public:
    explicit EIdUntrustedCertificate(CertificateInfo info);
    const CertificateInfo& Certificate() const { return *Failure().certificate; }
};

// A session that data connections resume, so that the server knows them for the control
// connection's (servers refuse data connections that do not).
using TlsSession = std::shared_ptr<SSL_SESSION>;

// The TLS settings of one client: TLS 1.2 or newer, the system's trust store; and the sessions
// its server issued, for the next connections to resume.
class TlsContext final {
public:
    TlsContext();
    ~TlsContext();
    TlsContext(const TlsContext&) = delete;
    TlsContext& operator=(const TlsContext&) = delete;

    // Made at the first use, so that a plain conversation reads no trust store.
    SSL_CTX* get();

    // Forgets the sessions of an earlier server, before the first handshake with server
    // ("address:port"): TLS 1.3 unless that server was seen not to resume a data connection's
    // TLS 1.3 session in this process, then TLS 1.2.
    void StartServer(const std::string& server);
    // True for the first connection after StartServer: the control connection, which resumes
    // nothing.
    bool TakeControl();
    // A session to resume: the newest one not resumed yet (servers may take a TLS 1.3 ticket
    // only once), else a copy of the last one taken (TLS 1.2 sessions, and the tickets of most
    // servers, serve again; OpenSSL would mark the original unusable should its connection
    // fail); null before the first handshake.
    TlsSession TakeSession();
    // Called by OpenSSL with each session a server issues.
    void Keep(SSL_SESSION* session);
    // A data connection's TLS 1.3 handshake resumed no session (none was issued, or the one
    // offered was refused): the server's next logins use TLS 1.2, whose sessions serve every
    // data connection.
    void NoteNotResumed();

private:
    SSL_CTX* context_ = nullptr;
    std::string server_;
    bool controlTaken_ = false;
    std::deque<TlsSession> fresh_;
    TlsSession lastTaken_;
};

// Whom the client expects at the other end.
struct TlsPeer {
    std::string host; // as the user typed it: a name, or an IPv4 or IPv6 address
    // The fingerprint the user trusted for this host ("SHA256:…"), or empty.
    std::string trustedFingerprint;
};

// One TLS connection over a connected, non-blocking TcpSocket; every wait goes through the
// socket, so the time-outs and the stop hold as in plain text.
class TlsChannel final {
public:
    // Starts the handshake, resuming a session of the context's when it has one: sends the
    // ClientHello without waiting for an answer. Raises EIdTlsError.
    TlsChannel(TlsContext& context, TcpSocket& socket, const TlsPeer& peer);
    // Completes the handshake, then verifies the certificate against the trust store and
    // peer.host; a certificate that fails is still taken when its fingerprint is
    // peer.trustedFingerprint. Raises EIdTlsError or EIdUntrustedCertificate.
    void Handshake(std::chrono::milliseconds timeout);
    ~TlsChannel();
    TlsChannel(const TlsChannel&) = delete;
    TlsChannel& operator=(const TlsChannel&) = delete;

    // Up to size bytes as soon as some are there; 0 once the peer has closed TLS properly.
    // An end of the connection without TLS's close raises EIdSocketError: the data may be cut.
    std::size_t Read(char* buffer, std::size_t size, std::chrono::milliseconds silence,
                     std::chrono::steady_clock::time_point deadline);
    void Write(const char* data, std::size_t size, std::chrono::milliseconds silence,
               std::chrono::steady_clock::time_point deadline);
    // Sends TLS's close, so that the peer knows everything has arrived.
    void Close(std::chrono::milliseconds silence);

    // The certificate the server presented.
    const CertificateInfo& Certificate() const { return certificate_; }
    // "TLSv1.3" and the like.
    std::string Protocol() const;

    // The socket waits through socket from now on (it was moved).
    void Rebind(TcpSocket& socket) { socket_ = &socket; }

private:
    // Waits as OpenSSL asks after a call that returned result; false when the call must be
    // repeated, raises when it failed for good.
    // handshake tells which failure a broken connection is.
    void waitFor(int result, std::chrono::milliseconds silence, bool handshake,
                 std::chrono::steady_clock::time_point deadline =
                     std::chrono::steady_clock::time_point::max());
    void verify(const TlsPeer& peer);

    TlsContext* context_;
    TcpSocket* socket_;
    SSL* ssl_ = nullptr;
    TlsPeer peer_;
    CertificateInfo certificate_;
};
