#pragma once

#include <atomic>
#include <thread>

// A loopback socket that listens and never speaks: the kernel completes a connection, no
// greeting ever comes.
class SilentListener final {
public:
    SilentListener();
    ~SilentListener();
    SilentListener(const SilentListener&) = delete;
    SilentListener& operator=(const SilentListener&) = delete;

    int Descriptor() const { return fd_; }
    unsigned short Port() const { return port_; }

private:
    int fd_;
    unsigned short port_ = 0;
};

// Forwards one connection to a loopback port until Cut closes both sides, as a dropped link
// does; after Hold the server's bytes no longer come through, as from a server gone quiet.
class TcpRelay final {
public:
    explicit TcpRelay(unsigned short target);
    ~TcpRelay();
    TcpRelay(const TcpRelay&) = delete;
    TcpRelay& operator=(const TcpRelay&) = delete;

    unsigned short Port() const { return listener_.Port(); }
    // Any thread: closes both sides; returns once they are closed.
    void Cut();
    // Any thread: from now on nothing the server sends is passed on.
    void Hold();

private:
    void run();

    SilentListener listener_;
    unsigned short target_;
    int cut_[2] = {-1, -1};
    int hold_[2] = {-1, -1}; // wakes the relay to stop passing the server's bytes on
    std::atomic<bool> held_{false};
    std::thread thread_;
};
