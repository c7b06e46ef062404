#pragma once

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
// does.
class TcpRelay final {
public:
    explicit TcpRelay(unsigned short target);
    ~TcpRelay();
    TcpRelay(const TcpRelay&) = delete;
    TcpRelay& operator=(const TcpRelay&) = delete;

    unsigned short Port() const { return listener_.Port(); }
    // Any thread: closes both sides; returns once they are closed.
    void Cut();

private:
    void run();

    SilentListener listener_;
    unsigned short target_;
    int cut_[2] = {-1, -1};
    std::thread thread_;
};
