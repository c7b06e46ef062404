#include "ftp/tcp_socket.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>
#include <utility>

#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <unistd.h>

#include "core/file_io.h"
#include "ftp/ftp_errors.h"
#include "ftp/stop_signal.h"

namespace {

using Clock = std::chrono::steady_clock;

std::string addressText(const sockaddr* address, socklen_t length) {
    char host[NI_MAXHOST] = "?";
    char service[NI_MAXSERV] = "?";
    ::getnameinfo(address, length, host, sizeof host, service, sizeof service,
                  NI_NUMERICHOST | NI_NUMERICSERV);
    if (address->sa_family == AF_INET6)
        return "[" + std::string(host) + "]:" + service;
    return std::string(host) + ':' + service;
}

socklen_t addressLength(const sockaddr_storage& address) {
    return address.ss_family == AF_INET6 ? sizeof(sockaddr_in6) : sizeof(sockaddr_in);
}

// Waits until fd is ready for events or the deadline passes; false at the deadline. A raised
// stop ends the wait with EIdStopped.
bool waitUntil(int fd, short events, Clock::time_point deadline, const StopSignal* stop) {
    for (;;) {
        // Rounded up, so that a wait never ends before its deadline.
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
        pollfd entries[2] = {{fd, events, 0}, {stop ? stop->Descriptor() : -1, POLLIN, 0}};
        const int ready = ::poll(entries, stop ? 2 : 1, left.count() > 0 ? int(left.count()) : 0);
        if (ready > 0 && stop && entries[1].revents != 0)
            throw EIdStopped();
        if (ready > 0)
            return true;
        if (ready == 0 && Clock::now() >= deadline)
            return false;
        if (ready == 0)
            continue;
        if (errno != EINTR)
            throw EIdSocketError(FtpFailure{FtpFailureKind::WaitFailed, {}, std::strerror(errno)});
    }
}

struct AddressListDeleter {
    void operator()(addrinfo* list) const { ::freeaddrinfo(list); }
};

// Starts connecting one address; on failure returns -1 with error set. pending tells whether
// the connection is still on its way (see awaitConnect).
int startConnect(const sockaddr* address, socklen_t length, int& error, bool& pending) {
    Descriptor fd(::socket(address->sa_family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
    if (fd.get() < 0) {
        error = errno;
        return -1;
    }
    pending = ::connect(fd.get(), address, length) != 0;
    error = pending ? errno : 0;
    if (pending && error != EINPROGRESS)
        return -1;
    return fd.release();
}

// Waits for a connection startConnect left pending; false with error set (ETIMEDOUT at the
// deadline) when it failed.
bool awaitConnect(int fd, Clock::time_point deadline, const StopSignal* stop, int& error) {
    if (!waitUntil(fd, POLLOUT, deadline, stop)) {
        error = ETIMEDOUT;
        return false;
    }
    socklen_t size = sizeof error;
    if (::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &size) != 0)
        error = errno;
    return error == 0;
}

// Connects one address; on failure returns -1 with error set (ETIMEDOUT at the deadline).
int connectAddress(const sockaddr* address, socklen_t length, Clock::time_point deadline,
                   const StopSignal* stop, int& error) {
    bool pending = false;
    Descriptor fd(startConnect(address, length, error, pending));
    if (fd.get() < 0 || (pending && !awaitConnect(fd.get(), deadline, stop, error)))
        return -1;
    return fd.release();
}

[[noreturn]] void failConnect(const std::string& target, int error,
                              std::chrono::milliseconds timeout) {
    if (error == ETIMEDOUT)
        throw EIdTimeout(FtpFailure{FtpFailureKind::ConnectTimeout, target, {}, 0, timeout});
    throw EIdSocketError(FtpFailure{FtpFailureKind::CannotConnect, target, std::strerror(error)});
}

} // namespace

TcpSocket::TcpSocket() = default;

TcpSocket::~TcpSocket() {
    Close();
}

TcpSocket::TcpSocket(TcpSocket&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)), stop_(other.stop_), peer_(other.peer_),
      connecting_(other.connecting_), tls_(std::move(other.tls_)) {
    if (tls_)
        tls_->Rebind(*this);
}

TcpSocket& TcpSocket::operator=(TcpSocket&& other) noexcept {
    if (this != &other) {
        Close();
        fd_ = std::exchange(other.fd_, -1);
        stop_ = other.stop_;
        peer_ = other.peer_;
        connecting_ = other.connecting_;
        tls_ = std::move(other.tls_);
        if (tls_)
            tls_->Rebind(*this);
    }
    return *this;
}

TcpSocket TcpSocket::Connect(const std::string& host, unsigned short port,
                             std::chrono::milliseconds timeout, const StopSignal* stop) {
    const auto deadline = Clock::now() + timeout;
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    const int status = ::getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &found);
    if (status != 0)
        throw EIdSocketError(
            FtpFailure{FtpFailureKind::CannotResolve, host, ::gai_strerror(status)});
    const std::unique_ptr<addrinfo, AddressListDeleter> addresses(found);
    int error = 0;
    std::string target;
    for (const addrinfo* address = addresses.get(); address; address = address->ai_next) {
        target = addressText(address->ai_addr, address->ai_addrlen);
        const int fd = connectAddress(address->ai_addr, address->ai_addrlen, deadline, stop, error);
        if (fd >= 0) {
            sockaddr_storage peer{};
            std::memcpy(&peer, address->ai_addr, address->ai_addrlen);
            return TcpSocket(fd, stop, peer);
        }
        if (error == ETIMEDOUT)
            break;
    }
    failConnect(target, error, timeout);
}

TcpSocket TcpSocket::Connect(const sockaddr_storage& address, unsigned short port,
                             std::chrono::milliseconds timeout, const StopSignal* stop) {
    TcpSocket socket = BeginConnect(address, port, stop);
    socket.FinishConnect(timeout);
    return socket;
}

TcpSocket TcpSocket::BeginConnect(const sockaddr_storage& address, unsigned short port,
                                  const StopSignal* stop) {
    sockaddr_storage target = address;
    if (target.ss_family == AF_INET6)
        reinterpret_cast<sockaddr_in6&>(target).sin6_port = htons(port);
    else
        reinterpret_cast<sockaddr_in&>(target).sin_port = htons(port);
    const sockaddr* raw = reinterpret_cast<const sockaddr*>(&target);
    int error = 0;
    bool pending = false;
    const int fd = startConnect(raw, addressLength(target), error, pending);
    if (fd < 0)
        failConnect(addressText(raw, addressLength(target)), error, {});
    TcpSocket socket(fd, stop, target);
    socket.connecting_ = pending;
    return socket;
}

void TcpSocket::FinishConnect(std::chrono::milliseconds timeout) {
    int error = 0;
    if (connecting_ && !awaitConnect(fd_, Clock::now() + timeout, stop_, error)) {
        connectError_ = error;
        Close();
        failConnect(PeerText(), error, timeout);
    }
    connecting_ = false;
}

void TcpSocket::Close() {
    tls_.reset();
    if (fd_ >= 0)
        ::close(std::exchange(fd_, -1));
}

void TcpSocket::StartTls(TlsContext& context, const TlsPeer& peer,
                         std::chrono::milliseconds timeout) {
    BeginTls(context, peer);
    FinishTls(timeout);
}

void TcpSocket::BeginTls(TlsContext& context, const TlsPeer& peer) {
    tls_ = std::make_unique<TlsChannel>(context, *this, peer);
}

void TcpSocket::FinishTls(std::chrono::milliseconds timeout) {
    tls_->Handshake(timeout);
}

void TcpSocket::CloseTls(std::chrono::milliseconds silence) {
    if (tls_)
        tls_->Close(silence);
}

void TcpSocket::ShutdownSend() {
    if (fd_ >= 0)
        ::shutdown(fd_, SHUT_WR);
}

void TcpSocket::DrainUntilPeerCloses(std::chrono::milliseconds silence) {
    char buffer[4096];
    if (tls_) {
        // Through TLS, so that the sessions the server issued on this connection are kept.
        try {
            while (tls_->Read(buffer, sizeof buffer, silence, kNoDeadline) > 0) {
            }
        } catch (const EIdSocketError&) {
            // Ended either way.
        }
        return;
    }
    for (;;) {
        const ssize_t received = ::recv(fd_, buffer, sizeof buffer, 0);
        if (received == 0 ||
            (received < 0 && errno != EINTR && errno != EAGAIN && errno != EWOULDBLOCK))
            return;
        if (received < 0 && errno != EINTR && !WaitReady(POLLIN, silence))
            return;
    }
}

void TcpSocket::SetNoDelay() {
    const int on = 1;
    ::setsockopt(fd_, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
}

void TcpSocket::SendAll(const char* data, std::size_t size, std::chrono::milliseconds silence,
                        Deadline deadline) {
    if (tls_) {
        tls_->Write(data, size, silence, deadline);
        return;
    }
    while (size > 0) {
        const ssize_t sent = ::send(fd_, data, size, MSG_NOSIGNAL);
        if (sent >= 0) {
            data += sent;
            size -= std::size_t(sent);
            continue;
        }
        if (errno == EINTR)
            continue;
        const int error = errno;
        if (error != EAGAIN && error != EWOULDBLOCK)
            throw EIdSocketError(
                FtpFailure{FtpFailureKind::SendFailed, PeerText(), std::strerror(error)});
        if (!WaitReady(POLLOUT, silence, deadline))
            throw EIdTimeout(FtpFailure{FtpFailureKind::NotTaking, PeerText(), {}, 0, silence});
    }
}

std::size_t TcpSocket::Receive(char* buffer, std::size_t size, std::chrono::milliseconds silence,
                               Deadline deadline) {
    if (tls_)
        return tls_->Read(buffer, size, silence, deadline);
    for (;;) {
        const ssize_t received = ::recv(fd_, buffer, size, 0);
        if (received >= 0)
            return std::size_t(received);
        const int error = errno;
        if (error == EINTR)
            continue;
        if (error != EAGAIN && error != EWOULDBLOCK)
            throw EIdSocketError(
                FtpFailure{FtpFailureKind::ReceiveFailed, PeerText(), std::strerror(error)});
        if (!WaitReady(POLLIN, silence, deadline))
            throw EIdTimeout(SilenceFailure(silence));
    }
}

bool TcpSocket::WaitReadable(std::chrono::milliseconds bound) const {
    return WaitReady(POLLIN, bound, kNoDeadline);
}

bool TcpSocket::WaitReady(short events, std::chrono::milliseconds silence,
                          Deadline deadline) const {
    return waitUntil(fd_, events, std::min(Clock::now() + silence, deadline), stop_);
}

FtpFailure TcpSocket::SilenceFailure(std::chrono::milliseconds silence) const {
    return FtpFailure{FtpFailureKind::Silent, PeerText(), {}, 0, silence};
}

bool TcpSocket::PeerHasClosed() const {
    if (fd_ < 0)
        return true;
    pollfd entry{fd_, POLLIN | POLLRDHUP, 0};
    if (::poll(&entry, 1, 0) <= 0)
        return false;
    if (entry.revents & (POLLRDHUP | POLLHUP | POLLERR))
        return true;
    char byte;
    return ::recv(fd_, &byte, 1, MSG_PEEK | MSG_DONTWAIT) == 0;
}

std::string TcpSocket::PeerText() const {
    return addressText(reinterpret_cast<const sockaddr*>(&peer_), addressLength(peer_));
}
