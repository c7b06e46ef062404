#include "sftp/wait_guard.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <memory>
#include <stdexcept>

#include <fcntl.h>
#include <netdb.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include "sftp/sftp_errors.h"

namespace {

std::string systemText(const char* step) {
    return std::string(step) + ": " + std::strerror(errno);
}

} // namespace

WaitGuard::WaitGuard() : stopEvent_(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {
    if (stopEvent_ < 0)
        throw std::runtime_error(systemText("eventfd"));
    watcher_ = std::thread([this] { watch(); });
}

WaitGuard::~WaitGuard() {
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        ending_ = true;
    }
    changed_.notify_one();
    watcher_.join();
    if (socket_ >= 0)
        ::close(socket_);
    ::close(stopEvent_);
}

int WaitGuard::Connect(const std::string& host, unsigned short port,
                       std::chrono::milliseconds bound) {
    const Clock::time_point deadline = Clock::now() + bound;
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    const int resolved = ::getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &found);
    if (resolved != 0)
        throw SftpError(SftpFailureKind::ConnectFailed, ::gai_strerror(resolved));
    const std::unique_ptr<addrinfo, decltype(&::freeaddrinfo)> addresses(found, ::freeaddrinfo);
    std::string detail = "no address";
    for (const addrinfo* address = found; address; address = address->ai_next) {
        const int fd =
            ::socket(address->ai_family, address->ai_socktype | SOCK_CLOEXEC | SOCK_NONBLOCK,
                     address->ai_protocol);
        if (fd < 0) {
            detail = systemText("socket");
            continue;
        }
        int error = ::connect(fd, address->ai_addr, address->ai_addrlen) == 0 ? 0 : errno;
        if (error == EINPROGRESS) {
            pollfd waits[2] = {{fd, POLLOUT, 0}, {stopEvent_, POLLIN, 0}};
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
            const int ready = ::poll(waits, 2, static_cast<int>(std::max<long>(0, left.count())));
            if (stopped_ || ready == 0) {
                ::close(fd);
                if (stopped_)
                    throw SftpError(SftpFailureKind::Stopped, "stopped while connecting");
                throw SftpError(SftpFailureKind::TimedOut, "connect to " + host);
            }
            socklen_t length = sizeof error;
            if (ready < 0 || ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) != 0)
                error = errno;
        }
        if (error != 0) {
            ::close(fd);
            errno = error;
            detail = systemText("connect");
            continue;
        }
        // libssh waits with poll, so the socket may stay non-blocking; the guard's duplicate
        // keeps its number for its whole life.
        int own = socket_;
        if (own < 0) {
            own = ::fcntl(fd, F_DUPFD_CLOEXEC, 0);
            socket_ = own;
        } else {
            ::dup3(fd, own, O_CLOEXEC);
        }
        if (stopped_)
            shutDown();
        return fd;
    }
    throw SftpError(SftpFailureKind::ConnectFailed, detail);
}

void WaitGuard::RaiseStop() {
    stopped_ = true;
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t written = ::write(stopEvent_, &one, sizeof one);
    shutDown();
}

void WaitGuard::Clear() {
    std::uint64_t count = 0;
    [[maybe_unused]] const ssize_t read = ::read(stopEvent_, &count, sizeof count);
    stopped_ = false;
    timedOut_ = false;
}

void WaitGuard::Arm(Clock::time_point deadline) {
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        armed_ = true;
        deadline_ = deadline;
    }
    changed_.notify_one();
}

void WaitGuard::Disarm() {
    const std::lock_guard<std::mutex> lock(mutex_);
    armed_ = false;
}

void WaitGuard::watch() {
    std::unique_lock<std::mutex> lock(mutex_);
    while (!ending_) {
        if (!armed_) {
            changed_.wait(lock);
        } else if (changed_.wait_until(lock, deadline_) == std::cv_status::timeout && armed_ &&
                   Clock::now() >= deadline_) {
            armed_ = false;
            timedOut_ = true;
            shutDown();
        }
    }
}

void WaitGuard::shutDown() {
    const int fd = socket_;
    if (fd >= 0)
        ::shutdown(fd, SHUT_RDWR);
}
