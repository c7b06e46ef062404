#pragma once

#include <chrono>
#include <cstddef>
#include <memory>
#include <string>

#include "ftp/tls_channel.h"

#include <sys/socket.h>

class StopSignal;

// A moment after which a wait fails whatever its silence bound would still allow.
using Deadline = std::chrono::steady_clock::time_point;
inline constexpr Deadline kNoDeadline = Deadline::max();

// A connected TCP socket whose every wait is bounded. The descriptor is non-blocking
// underneath; reads and writes wait with poll() only when the kernel has nothing ready, so a
// busy transfer costs one system call per buffer. Failures raise EIdSocketError; a raised
// StopSignal ends any wait at once with EIdStopped.
class TcpSocket final {
public:
    TcpSocket();
    ~TcpSocket();
    TcpSocket(TcpSocket&& other) noexcept;
    TcpSocket& operator=(TcpSocket&& other) noexcept;
    TcpSocket(const TcpSocket&) = delete;
    TcpSocket& operator=(const TcpSocket&) = delete;

    // Resolves host (a name, an IPv4 or an IPv6 address) and connects to the first address
    // that answers, within timeout for all addresses together. The socket's waits watch stop
    // when one is given; it must outlive the socket.
    static TcpSocket Connect(const std::string& host, unsigned short port,
                             std::chrono::milliseconds timeout, const StopSignal* stop = nullptr);
    // Connects to address (IPv4 or IPv6) with port replaced.
    static TcpSocket Connect(const sockaddr_storage& address, unsigned short port,
                             std::chrono::milliseconds timeout, const StopSignal* stop = nullptr);

    // Starts connecting to address with port replaced, without waiting: a command that needs
    // the connection can go to the server meanwhile. FinishConnect waits for it.
    static TcpSocket BeginConnect(const sockaddr_storage& address, unsigned short port,
                                  const StopSignal* stop = nullptr);
    // Waits within timeout until the connection BeginConnect started is made; closes the
    // socket and raises when it fails. Nothing on a connected socket.
    void FinishConnect(std::chrono::milliseconds timeout);
    // The system's error of the connect FinishConnect saw fail; 0 before.
    int ConnectError() const { return connectError_; }

    bool IsOpen() const { return fd_ >= 0; }
    void Close();

    // Turns the connection into TLS (see TlsChannel); every read and write goes through it
    // from then on. Raises EIdTlsError or EIdUntrustedCertificate.
    void StartTls(TlsContext& context, const TlsPeer& peer, std::chrono::milliseconds timeout);
    // StartTls in two steps: BeginTls sends the ClientHello without waiting, FinishTls
    // completes the handshake. Between them nothing is read or written on the socket.
    void BeginTls(TlsContext& context, const TlsPeer& peer);
    void FinishTls(std::chrono::milliseconds timeout);
    // The connection's TLS, or null while it is plain.
    const TlsChannel* Tls() const { return tls_.get(); }
    // Sends TLS's close before the connection ends, so that the peer can tell a whole transfer
    // from a cut one. Nothing on a plain connection.
    void CloseTls(std::chrono::milliseconds silence);
    // Sends end-of-file to the peer, so that it knows the whole upload has arrived.
    void ShutdownSend();
    // After ShutdownSend: reads and drops whatever the peer still sends until it closes its
    // end or silence passes. Closing with unread bytes would reset the connection, and a reset
    // makes the peer drop what it has received but not yet read, the end of an upload.
    void DrainUntilPeerCloses(std::chrono::milliseconds silence);
    // Sends small writes at once instead of waiting to fill a segment (commands, replies).
    void SetNoDelay();

    // Sends all bytes; fails when the peer takes none of them for silence, or at deadline
    // (EIdTimeout either way; the caller that set the deadline knows which one it was).
    void SendAll(const char* data, std::size_t size, std::chrono::milliseconds silence,
                 Deadline deadline = kNoDeadline);
    // Up to size bytes as soon as some are there; 0 at the peer's end-of-file. Fails when
    // nothing arrives for silence, or at deadline.
    std::size_t Receive(char* buffer, std::size_t size, std::chrono::milliseconds silence,
                        Deadline deadline = kNoDeadline);
    // True when bytes (or the peer's end-of-file) are there to receive within bound.
    bool WaitReadable(std::chrono::milliseconds bound) const;

    // Waits until the socket is ready for events (POLLIN, POLLOUT); false when silence passes
    // or the deadline comes first. The TLS layer waits through this.
    bool WaitReady(short events, std::chrono::milliseconds silence,
                   Deadline deadline = kNoDeadline) const;
    // Why a wait of silence ended, for the time-out's error.
    FtpFailure SilenceFailure(std::chrono::milliseconds silence) const;
    int Descriptor() const { return fd_; }

    // True when the peer has closed its end (nothing more will arrive).
    bool PeerHasClosed() const;
    // The address connected to; still known after the connection is lost or closed.
    sockaddr_storage PeerAddress() const { return peer_; }
    // The peer as "address:port" ("[v6 address]:port"), for failures.
    std::string PeerText() const;

private:
    TcpSocket(int fd, const StopSignal* stop, const sockaddr_storage& peer)
        : fd_(fd), stop_(stop), peer_(peer) {}

    int fd_ = -1;
    const StopSignal* stop_ = nullptr;
    sockaddr_storage peer_{};
    bool connecting_ = false;         // BeginConnect's connection not yet made
    int connectError_ = 0;            // errno of the connect FinishConnect saw fail
    std::unique_ptr<TlsChannel> tls_; // before fd_ closes
};
