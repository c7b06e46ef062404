#include "support/tcp_relay.h"

#include "support/loopback_daemon.h"

#include <stdexcept>

#include <arpa/inet.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

SilentListener::SilentListener() : fd_(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0)) {
    sockaddr_in address = LoopbackAddress(0);
    socklen_t length = sizeof address;
    ::bind(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address);
    ::listen(fd_, 4);
    ::getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &length);
    port_ = ntohs(address.sin_port);
}

SilentListener::~SilentListener() { ::close(fd_); }

TcpRelay::TcpRelay(unsigned short target) : target_(target) {
    ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, cut_);
    if (::pipe2(hold_, O_CLOEXEC) != 0)
        throw std::runtime_error("pipe2");
    thread_ = std::thread([this] { run(); });
}

TcpRelay::~TcpRelay() {
    Cut();
    for (const int fd : {cut_[0], cut_[1], hold_[0], hold_[1]})
        ::close(fd);
}

void TcpRelay::Cut() {
    ::shutdown(cut_[1], SHUT_WR);
    if (thread_.joinable() && thread_.get_id() != std::this_thread::get_id())
        thread_.join();
}

void TcpRelay::Hold() {
    held_ = true;
    [[maybe_unused]] const ssize_t woken = ::write(hold_[1], "h", 1);
}

void TcpRelay::run() {
    // Until a client comes, or the cut: a test that never connects still ends.
    pollfd accepting[2] = {{listener_.Descriptor(), POLLIN, 0}, {cut_[0], POLLIN, 0}};
    if (::poll(accepting, 2, 10000) <= 0 || accepting[1].revents)
        return;
    const int client = ::accept(listener_.Descriptor(), nullptr, nullptr);
    const int server = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const sockaddr_in address = LoopbackAddress(target_);
    if (client >= 0 &&
        ::connect(server, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0) {
        const int ends[2] = {client, server};
        pollfd waits[4] = {
            {client, POLLIN, 0}, {server, POLLIN, 0}, {cut_[0], POLLIN, 0}, {hold_[0], POLLIN, 0}};
        char buffer[65536];
        bool open = true;
        while (open) {
            // poll leaves a negative descriptor out: once held, the server is not read.
            waits[1].fd = held_ ? -1 : server;
            waits[3].fd = held_ ? -1 : hold_[0];
            if (::poll(waits, 4, 10000) <= 0 || (waits[2].revents & (POLLIN | POLLHUP)))
                break;
            for (int side = 0; side < 2 && open; ++side) {
                if (!waits[side].revents)
                    continue;
                const ssize_t got = ::read(ends[side], buffer, sizeof buffer);
                open = got > 0 && ::write(ends[1 - side], buffer, got) == got;
            }
        }
    }
    ::close(client);
    ::close(server);
}
