#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <ostream>
#include <stdexcept>
#include <string>
#include <utility>

// Why a certificate could not be verified.
enum class CertificateProblem {
    None,
    Expired,
    NotYetValid,
    SelfSigned,
    UnknownIssuer,
    WrongName, // not issued for the host the user typed
    Other,     // problemDetail holds OpenSSL's words
};

// What the user is shown of a server's certificate to decide whether to trust it.
struct CertificateInfo {
    CertificateProblem problem = CertificateProblem::None;
    std::string problemDetail; // WrongName: the host typed; Other: OpenSSL's reason
    std::string subject;
    std::string names; // the host names and addresses it is for
    std::string issuer;
    std::string validFrom;   // UTC, "YYYY-MM-DD HH:MM:SS"
    std::string validUntil;  // UTC
    std::string fingerprint; // "SHA256:" and 32 upper-case hex pairs joined by ":"
};

// What went wrong in an FTP conversation. The program's edges turn a kind into a sentence; the
// library keeps to the facts (the reply, the peer, the path, the bound).
enum class FtpFailureKind {
    None,                  // nothing failed
    Unknown,               // no failure of the conversation; detail: what() of what was raised
    NotConnected,          // the control connection is closed
    AlreadyConnected,      // Connect on an open connection
    Refused,               // code and detail: the server's reply
    TlsRefused,            // AUTH TLS refused; code and detail: the reply
    InvalidHost,           // subject: the host as typed
    InvalidPort,           // subject: the host as typed
    NoPassiveAddress,      // detail: the PASV reply
    NoExtendedPassivePort, // detail: the EPSV reply
    NoFolderInReply,       // detail: the PWD reply
    LineBreakInCommand,    // an argument would smuggle a second command
    ReplyTooLong,          // beyond 1 MiB
    ServerClosed,          // the peer ended the control connection
    ListingTooLong,        // beyond 128 MiB
    ListingTooManyLines,   // count: the bound
    UnreadableListing,     // detail: the first unreadable line, quoted; cut: it was shortened
    CannotResolve,         // subject: the host; detail: the resolver's reason
    CannotConnect,         // subject: the address; detail: the system's reason
    ConnectTimeout,        // subject: the address; bound
    Silent,                // subject: the peer; bound: the silence
    NotTaking,             // subject: the peer; bound: the silence
    ReplyTimeout,          // subject: the peer; bound: the whole reply's
    TransferTimeout,       // subject: the peer; bound; count: bytes moved
    SendFailed,            // subject: the peer; detail: the system's reason
    ReceiveFailed,         // subject: the peer; detail: the system's reason
    WaitFailed,            // detail: the system's reason
    StopUnavailable,       // detail: the system's reason
    Stopped,               // the user stopped the conversation
    CannotOpenFile,        // subject: the local path; detail: the system's reason
    CannotReadFile,        // subject: the local path; detail: the system's reason
    NotARegularFile,       // subject: the local path
    TlsHandshakeFailed,    // detail: OpenSSL's reasons
    TlsHandshakeCut,       // the connection ended inside the handshake
    TlsBroken,             // detail: OpenSSL's reasons
    TlsCut,                // the connection ended without TLS's close
    TlsNoCertificate,
    UntrustedCertificate,  // certificate: what the server presented
};

struct FtpFailure {
    FtpFailure() = default;
    FtpFailure(FtpFailureKind kind_, std::string subject_ = {}, std::string detail_ = {},
               int code_ = 0, std::chrono::milliseconds bound_ = {}, std::uint64_t count_ = 0)
        : kind(kind_), subject(std::move(subject_)), detail(std::move(detail_)), code(code_),
          bound(bound_), count(count_) {}

    FtpFailureKind kind = FtpFailureKind::None;
    std::string subject;                // the host, address, peer or local path concerned
    std::string detail;                 // the reply (masked, escaped) or the system's reason
    int code = 0;                       // the reply's code
    std::chrono::milliseconds bound{0}; // the bound that fired
    std::uint64_t count = 0;            // the limit, or the bytes moved
    bool cut = false;                   // detail was shortened
    std::optional<CertificateInfo> certificate;
};

// The failure in one plain line for logs and test output, never for the user.
std::string FailureSummary(const FtpFailure& failure);
std::ostream& operator<<(std::ostream& out, const FtpFailure& failure);

// What a failure raised inside a conversation was, whatever its type.
FtpFailure FailureOf(const std::exception& error);

// Failures of the FTP client: Failure() says what happened; what() is FailureSummary.
class EIdException : public std::runtime_error {
public:
    explicit EIdException(FtpFailure failure)
        : std::runtime_error(FailureSummary(failure)), failure_(std::move(failure)) {}
    explicit EIdException(FtpFailureKind kind) : EIdException(FtpFailure{kind}) {}
    const FtpFailure& Failure() const { return failure_; }

private:
    FtpFailure failure_;
};

// An operation that needs the control connection found it closed.
class EIdNotConnected : public EIdException {
public:
    EIdNotConnected() : EIdException(FtpFailureKind::NotConnected) {}
};

// The server answered with a code the step does not accept, or ended a transfer as aborted;
// the detail is the reply's text, with the password masked should the server repeat it and
// control characters escaped.
class EIdProtocolReplyError : public EIdException {
public:
    EIdProtocolReplyError(int code, std::string reply,
                          FtpFailureKind kind = FtpFailureKind::Refused)
        : EIdException(FtpFailure{kind, {}, std::move(reply), code}) {}
    int ReplyCode() const { return Failure().code; }
};

// Name resolution, connecting, sending or receiving failed, the peer closed the connection,
// or it stayed silent past the time-out. When the control connection is concerned, the client
// is closed before this is raised.
class EIdSocketError : public EIdException {
public:
    using EIdException::EIdException;
};

// A bound on waiting fired (connect, silence while a reply or data was awaited, or the overall
// bound of a reply or a transfer). The client is closed before this is raised, as for a lost
// connection.
class EIdTimeout : public EIdSocketError {
public:
    using EIdSocketError::EIdSocketError;
};

// The user stopped the conversation while it waited (StopSignal). The client is closed before
// this is raised, as for a lost connection.
class EIdStopped : public EIdSocketError {
public:
    EIdStopped() : EIdSocketError(FtpFailureKind::Stopped) {}
};

// A listing with lines of which not one could be read: the folder's entries are unknown, which
// is an error of that folder, never an empty folder.
class EIdUnreadableListing : public EIdException {
public:
    using EIdException::EIdException;
};

// A local file to upload cannot be opened or read, or is no regular file; nothing of it left.
class EIdLocalFileError : public EIdException {
public:
    using EIdException::EIdException;
};
