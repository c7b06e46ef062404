#include "ftp/tls_channel.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <mutex>
#include <set>
#include <utility>

#include <arpa/inet.h>
#include <openssl/err.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>
#include <poll.h>
#include <pthread.h>
#include <signal.h>

#include "core/text_util.h"
#include "ftp/tcp_socket.h"

namespace {

// Where the context of a connection is found from OpenSSL's callbacks.
int contextSlot() {
    static const int slot = SSL_CTX_get_ex_new_index(0, nullptr, nullptr, nullptr, nullptr);
    return slot;
}

// Marks the control connection.
int controlSlot() {
    static const int slot = SSL_get_ex_new_index(0, nullptr, nullptr, nullptr, nullptr);
    return slot;
}

// TLS 1.3 servers issue sessions after every handshake, and some take each only once: each
// data connection resumes the newest one, issued on the control connection or on the last
// data connection. A TLS 1.2 data connection resumes the control connection's session, which
// servers commonly require; the sessions of its own are not kept.
int keepNewSession(SSL* ssl, SSL_SESSION* session) {
    auto* context =
        static_cast<TlsContext*>(SSL_CTX_get_ex_data(SSL_get_SSL_CTX(ssl), contextSlot()));
    if (!context ||
        (!SSL_get_ex_data(ssl, controlSlot()) && SSL_version(ssl) != TLS1_3_VERSION))
        return 0;
    context->Keep(session);
    return 1; // the reference is the context's now
}

// The servers ("address:port") seen not to resume a data connection's TLS 1.3 session: TLS
// 1.2 for them from their next login on, for the rest of the process.
class Tls12Servers final {
public:
    bool Contains(const std::string& server) {
        const std::lock_guard<std::mutex> lock(mutex_);
        return servers_.count(server) > 0;
    }
    void Add(const std::string& server) {
        constexpr std::size_t kMost = 256; // a bound; beyond it TLS 1.3 is tried again
        const std::lock_guard<std::mutex> lock(mutex_);
        if (servers_.size() < kMost)
            servers_.insert(server);
    }

private:
    std::mutex mutex_;
    std::set<std::string> servers_;
};

Tls12Servers& tls12Servers() {
    static Tls12Servers servers;
    return servers;
}

// OpenSSL writes to the socket with write(), which raises SIGPIPE once the server has closed
// it and would end the program without a word. The signal is held back on this thread while
// OpenSSL works, and one raised meanwhile is taken back, so the closed connection shows as
// the failed call's error.
class BrokenPipeGuard final {
public:
    BrokenPipeGuard() {
        sigemptyset(&pipe_);
        sigaddset(&pipe_, SIGPIPE);
        wasPending_ = pending();
        pthread_sigmask(SIG_BLOCK, &pipe_, &before_);
    }
    ~BrokenPipeGuard() {
        if (!wasPending_ && pending()) {
            const timespec now{};
            sigtimedwait(&pipe_, nullptr, &now);
        }
        pthread_sigmask(SIG_SETMASK, &before_, nullptr);
    }
    BrokenPipeGuard(const BrokenPipeGuard&) = delete;
    BrokenPipeGuard& operator=(const BrokenPipeGuard&) = delete;

private:
    static bool pending() {
        sigset_t raised;
        return sigpending(&raised) == 0 && sigismember(&raised, SIGPIPE) == 1;
    }

    sigset_t pipe_{};
    sigset_t before_{};
    bool wasPending_ = false;
};

// OpenSSL's reasons for the failure just seen, and the queue emptied for the next call.
std::string takeOpenSslErrors() {
    std::string text;
    for (unsigned long error = ERR_get_error(); error != 0; error = ERR_get_error()) {
        char buffer[256];
        ERR_error_string_n(error, buffer, sizeof buffer);
        if (!text.empty())
            text += "; ";
        text += buffer;
    }
    return text.empty() ? std::string("(OpenSSL)") : text;
}

std::string nameText(const X509_NAME* name) {
    BIO* memory = BIO_new(BIO_s_mem());
    X509_NAME_print_ex(memory, name, 0, XN_FLAG_RFC2253 & ~ASN1_STRFLGS_ESC_MSB);
    char* data = nullptr;
    const long size = BIO_get_mem_data(memory, &data);
    std::string text(data, std::size_t(size));
    BIO_free(memory);
    return EscapeControls(text);
}

std::string timeText(const ASN1_TIME* time) {
    std::tm parts{};
    if (!time || ASN1_TIME_to_tm(time, &parts) != 1)
        return "?";
    char text[64];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", parts.tm_year + 1900,
                  parts.tm_mon + 1, parts.tm_mday, parts.tm_hour, parts.tm_min, parts.tm_sec);
    return text;
}

std::string fingerprintOf(const X509* certificate) {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int size = 0;
    X509_digest(certificate, EVP_sha256(), digest, &size);
    static const char kHex[] = "0123456789ABCDEF";
    std::string text = "SHA256:";
    for (unsigned int i = 0; i < size; ++i) {
        if (i > 0)
            text += ':';
        text += kHex[digest[i] >> 4];
        text += kHex[digest[i] & 0xf];
    }
    return text;
}

// The DNS names and addresses of the certificate's subjectAltName, joined by ", ".
std::string namesOf(const X509* certificate) {
    std::string text;
    auto* names = static_cast<GENERAL_NAMES*>(
        X509_get_ext_d2i(certificate, NID_subject_alt_name, nullptr, nullptr));
    for (int i = 0; names && i < sk_GENERAL_NAME_num(names); ++i) {
        const GENERAL_NAME* name = sk_GENERAL_NAME_value(names, i);
        std::string one;
        if (name->type == GEN_DNS) {
            one.assign(reinterpret_cast<const char*>(ASN1_STRING_get0_data(name->d.dNSName)),
                       std::size_t(ASN1_STRING_length(name->d.dNSName)));
        } else if (name->type == GEN_IPADD) {
            const int length = ASN1_STRING_length(name->d.iPAddress);
            char address[INET6_ADDRSTRLEN] = "";
            inet_ntop(length == 16 ? AF_INET6 : AF_INET, ASN1_STRING_get0_data(name->d.iPAddress),
                      address, sizeof address);
            one = address;
        }
        if (one.empty())
            continue;
        if (!text.empty())
            text += ", ";
        text += EscapeControls(one);
    }
    GENERAL_NAMES_free(names);
    return text;
}

CertificateProblem problemOf(long result) {
    switch (result) {
    case X509_V_ERR_CERT_HAS_EXPIRED:
        return CertificateProblem::Expired;
    case X509_V_ERR_CERT_NOT_YET_VALID:
        return CertificateProblem::NotYetValid;
    case X509_V_ERR_DEPTH_ZERO_SELF_SIGNED_CERT:
    case X509_V_ERR_SELF_SIGNED_CERT_IN_CHAIN:
        return CertificateProblem::SelfSigned;
    case X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT_LOCALLY:
    case X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT:
    case X509_V_ERR_UNABLE_TO_VERIFY_LEAF_SIGNATURE:
        return CertificateProblem::UnknownIssuer;
    case X509_V_ERR_HOSTNAME_MISMATCH:
    case X509_V_ERR_IP_ADDRESS_MISMATCH:
        return CertificateProblem::WrongName;
    default:
        return CertificateProblem::Other;
    }
}

FtpFailure withCertificate(CertificateInfo info) {
    FtpFailure failure(FtpFailureKind::UntrustedCertificate, info.fingerprint);
    failure.certificate = std::move(info);
    return failure;
}

// The trust store, read once for all connections and only when TLS is used (reading the
// system's bundle costs tens of milliseconds); read again should SSL_CERT_FILE or SSL_CERT_DIR
// point elsewhere since.
X509_STORE* sharedTrustStore() {
    static std::mutex mutex;
    static X509_STORE* store = nullptr;
    static std::string readFor;
    const auto variable = [](const char* name) {
        const char* value = std::getenv(name);
        return std::string(value ? value : "") + '\n';
    };
    const std::string where = variable("SSL_CERT_FILE") + variable("SSL_CERT_DIR");
    const std::lock_guard<std::mutex> lock(mutex);
    if (!store || where != readFor) {
        X509_STORE* fresh = X509_STORE_new();
        if (!fresh || X509_STORE_set_default_paths(fresh) != 1) {
            X509_STORE_free(fresh);
            throw EIdTlsError(
                FtpFailure{FtpFailureKind::TlsHandshakeFailed, {}, takeOpenSslErrors()});
        }
        X509_STORE_free(store); // contexts made earlier keep their own reference
        store = fresh;
        readFor = where;
    }
    return store;
}

bool isAddress(const std::string& host) {
    unsigned char buffer[sizeof(in6_addr)];
    return inet_pton(AF_INET, host.c_str(), buffer) == 1 ||
           inet_pton(AF_INET6, host.c_str(), buffer) == 1;
}

} // namespace

EIdUntrustedCertificate::EIdUntrustedCertificate(CertificateInfo info)
    : EIdTlsError(withCertificate(std::move(info))) {}

TlsContext::TlsContext() = default;

SSL_CTX* TlsContext::get() {
    if (context_)
        return context_;
    context_ = SSL_CTX_new(TLS_client_method());
    if (!context_)
        throw EIdTlsError(FtpFailure{FtpFailureKind::TlsHandshakeFailed, {}, takeOpenSslErrors()});
    SSL_CTX_set_min_proto_version(context_, TLS1_2_VERSION);
    // The system's trust store; SSL_CERT_FILE and SSL_CERT_DIR override it, as for every
    // OpenSSL program.
    SSL_CTX_set1_cert_store(context_, sharedTrustStore());
    // Verified after the handshake, so that a certificate the user trusted can stand in.
    SSL_CTX_set_verify(context_, SSL_VERIFY_NONE, nullptr);
    SSL_CTX_set_session_cache_mode(context_,
                                   SSL_SESS_CACHE_CLIENT | SSL_SESS_CACHE_NO_INTERNAL_STORE);
    SSL_CTX_set_ex_data(context_, contextSlot(), this);
    SSL_CTX_sess_set_new_cb(context_, keepNewSession);
    return context_;
}

void TlsContext::StartServer(const std::string& server) {
    server_ = server;
    controlTaken_ = false;
    fresh_.clear();
    lastTaken_.reset();
    SSL_CTX_set_max_proto_version(get(), tls12Servers().Contains(server) ? TLS1_2_VERSION : 0);
}

bool TlsContext::TakeControl() {
    return !std::exchange(controlTaken_, true);
}

TlsSession TlsContext::TakeSession() {
    if (!fresh_.empty()) {
        lastTaken_ = std::move(fresh_.back());
        fresh_.pop_back();
        return lastTaken_;
    }
    if (!lastTaken_)
        return nullptr;
    return TlsSession(SSL_SESSION_dup(lastTaken_.get()), SSL_SESSION_free);
}

void TlsContext::NoteNotResumed() {
    tls12Servers().Add(server_);
}

void TlsContext::Keep(SSL_SESSION* session) {
    // A handful is plenty: each connection brings new ones.
    constexpr std::size_t kKept = 8;
    fresh_.emplace_back(session, SSL_SESSION_free);
    if (fresh_.size() > kKept)
        fresh_.pop_front();
}

TlsContext::~TlsContext() {
    SSL_CTX_free(context_);
}

TlsChannel::TlsChannel(TlsContext& context, TcpSocket& socket, const TlsPeer& peer)
    : context_(&context), socket_(&socket), ssl_(SSL_new(context.get())), peer_(peer) {
    if (!ssl_ || SSL_set_fd(ssl_, socket.Descriptor()) != 1) {
        SSL_free(ssl_);
        throw EIdTlsError(FtpFailure{FtpFailureKind::TlsHandshakeFailed, {}, takeOpenSslErrors()});
    }
    if (isAddress(peer.host)) {
        X509_VERIFY_PARAM_set1_ip_asc(SSL_get0_param(ssl_), peer.host.c_str());
    } else {
        SSL_set_tlsext_host_name(ssl_, peer.host.c_str());
        SSL_set1_host(ssl_, peer.host.c_str());
    }
    if (context.TakeControl())
        SSL_set_ex_data(ssl_, controlSlot(), this);
    else if (const TlsSession resume = context.TakeSession())
        SSL_set_session(ssl_, resume.get());
    // The ClientHello leaves now; the server's answer is awaited by Handshake.
    const BrokenPipeGuard guard;
    const int result = SSL_connect(ssl_);
    const int error = SSL_get_error(ssl_, result);
    if (result != 1 && error != SSL_ERROR_WANT_READ && error != SSL_ERROR_WANT_WRITE) {
        try {
            waitFor(result, std::chrono::milliseconds(0), true);
        } catch (...) {
            SSL_free(ssl_);
            throw;
        }
    }
    ERR_clear_error();
}

void TlsChannel::Handshake(std::chrono::milliseconds timeout) {
    const BrokenPipeGuard guard;
    for (;;) {
        const int result = SSL_connect(ssl_);
        if (result == 1)
            break;
        waitFor(result, timeout, true);
    }
    if (!SSL_get_ex_data(ssl_, controlSlot()) && !SSL_session_reused(ssl_) &&
        SSL_version(ssl_) == TLS1_3_VERSION)
        context_->NoteNotResumed();
    verify(peer_);
}

TlsChannel::~TlsChannel() {
    // Freed without a shutdown, OpenSSL would mark the session as not to be resumed, and the
    // next data connection would be refused by servers that require resumption. A handshake
    // never finished (the server refused the command) has nothing to shut down.
    if (SSL_is_init_finished(ssl_)) {
        SSL_set_quiet_shutdown(ssl_, 1);
        const BrokenPipeGuard guard;
        SSL_shutdown(ssl_);
    }
    ERR_clear_error();
    SSL_free(ssl_);
}

void TlsChannel::waitFor(int result, std::chrono::milliseconds silence, bool handshake,
                         std::chrono::steady_clock::time_point deadline) {
    const int error = SSL_get_error(ssl_, result);
    if (error == SSL_ERROR_WANT_READ || error == SSL_ERROR_WANT_WRITE) {
        ERR_clear_error();
        if (!socket_->WaitReady(error == SSL_ERROR_WANT_READ ? POLLIN : POLLOUT, silence, deadline))
            throw EIdTimeout(socket_->SilenceFailure(silence));
        return;
    }
    if (error == SSL_ERROR_SYSCALL && errno == EINTR) {
        ERR_clear_error();
        return;
    }
    if (error == SSL_ERROR_ZERO_RETURN || error == SSL_ERROR_SYSCALL ||
        (error == SSL_ERROR_SSL &&
         ERR_GET_REASON(ERR_peek_error()) == SSL_R_UNEXPECTED_EOF_WHILE_READING)) {
        ERR_clear_error();
        throw EIdTlsError(handshake ? FtpFailureKind::TlsHandshakeCut : FtpFailureKind::TlsCut);
    }
    throw EIdTlsError(FtpFailure{
        handshake ? FtpFailureKind::TlsHandshakeFailed : FtpFailureKind::TlsBroken, {},
        takeOpenSslErrors()});
}

void TlsChannel::verify(const TlsPeer& peer) {
    const X509* certificate = SSL_get0_peer_certificate(ssl_);
    if (!certificate)
        throw EIdTlsError(FtpFailureKind::TlsNoCertificate);
    certificate_.subject = nameText(X509_get_subject_name(certificate));
    certificate_.names = namesOf(certificate);
    certificate_.issuer = nameText(X509_get_issuer_name(certificate));
    certificate_.validFrom = timeText(X509_get0_notBefore(certificate));
    certificate_.validUntil = timeText(X509_get0_notAfter(certificate));
    certificate_.fingerprint = fingerprintOf(certificate);
    const long result = SSL_get_verify_result(ssl_);
    if (result == X509_V_OK)
        return;
    if (!peer.trustedFingerprint.empty() &&
        EqualsIgnoringCase(peer.trustedFingerprint, certificate_.fingerprint))
        return;
    certificate_.problem = problemOf(result);
    if (certificate_.problem == CertificateProblem::WrongName)
        certificate_.problemDetail = peer.host;
    else if (certificate_.problem == CertificateProblem::Other)
        certificate_.problemDetail = X509_verify_cert_error_string(result);
    throw EIdUntrustedCertificate(certificate_);
}

std::size_t TlsChannel::Read(char* buffer, std::size_t size, std::chrono::milliseconds silence,
                             std::chrono::steady_clock::time_point deadline) {
    const BrokenPipeGuard guard; // a read may answer the server
    for (;;) {
        std::size_t count = 0;
        const int result = SSL_read_ex(ssl_, buffer, size, &count);
        if (result == 1)
            return count;
        if (SSL_get_error(ssl_, result) == SSL_ERROR_ZERO_RETURN)
            return 0;
        waitFor(result, silence, false, deadline);
    }
}

void TlsChannel::Write(const char* data, std::size_t size, std::chrono::milliseconds silence,
                       std::chrono::steady_clock::time_point deadline) {
    const BrokenPipeGuard guard;
    while (size > 0) {
        std::size_t written = 0;
        const int result = SSL_write_ex(ssl_, data, size, &written);
        if (result == 1) {
            data += written;
            size -= written;
            continue;
        }
        waitFor(result, silence, false, deadline);
    }
}

void TlsChannel::Close(std::chrono::milliseconds silence) {
    // Our close only: waiting for the server's would hang on servers that never send one.
    const BrokenPipeGuard guard;
    for (;;) {
        const int result = SSL_shutdown(ssl_);
        if (result >= 0)
            return;
        waitFor(result, silence, false);
    }
}

std::string TlsChannel::Protocol() const {
    return SSL_get_version(ssl_);
}
