#include "support/tcp_relay.h"

#include <arpa/inet.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

sockaddr_in loopback(unsigned short port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(port);
    return address;
}

} // namespace

SilentListener::SilentListener() : fd_(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0)) {
    sockaddr_in address = loopback(0);
    socklen_t length = sizeof address;
    ::bind(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address);
    ::listen(fd_, 4);
    ::getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &length);
    port_ = ntohs(address.sin_port);
}

SilentListener::~SilentListener() { ::close(fd_); }

TcpRelay::TcpRelay(unsigned short target) : target_(target) {
    ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, cut_);
    thread_ = std::thread([this] { run(); });
}

TcpRelay::~TcpRelay() {
    Cut();
    ::close(cut_[0]);
    ::close(cut_[1]);
}

void TcpRelay::Cut() {
    ::shutdown(cut_[1], SHUT_WR);
    if (thread_.joinable() && thread_.get_id() != std::this_thread::get_id())
        thread_.join();
}

void TcpRelay::run() {
    // Until a client comes, or the cut: a test that never connects still ends.
    pollfd accepting[2] = {{listener_.Descriptor(), POLLIN, 0}, {cut_[0], POLLIN, 0}};
    if (::poll(accepting, 2, 10000) <= 0 || accepting[1].revents)
        return;
    const int client = ::accept(listener_.Descriptor(), nullptr, nullptr);
    const int server = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const sockaddr_in address = loopback(target_);
    if (client >= 0 &&
        ::connect(server, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0) {
        pollfd waits[3] = {{client, POLLIN, 0}, {server, POLLIN, 0}, {cut_[0], POLLIN, 0}};
        char buffer[65536];
        bool open = true;
        while (open && ::poll(waits, 3, 10000) > 0 && !(waits[2].revents & (POLLIN | POLLHUP))) {
            for (int side = 0; side < 2 && open; ++side) {
                if (!waits[side].revents)
                    continue;
                const ssize_t got = ::read(waits[side].fd, buffer, sizeof buffer);
                open = got > 0 && ::write(waits[1 - side].fd, buffer, got) == got;
            }
        }
    }
    ::close(client);
    ::close(server);
}
