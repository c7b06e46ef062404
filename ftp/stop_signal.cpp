#include "ftp/stop_signal.h"

#include <cerrno>
#include <cstdint>
#include <cstring>

#include <sys/eventfd.h>
#include <unistd.h>

#include "ftp/ftp_errors.h"

StopSignal::StopSignal() : fd_(::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)) {
    if (fd_ < 0)
        throw EIdSocketError(FtpFailure{FtpFailureKind::StopUnavailable, {}, std::strerror(errno)});
}

StopSignal::~StopSignal() {
    ::close(fd_);
}

void StopSignal::Raise() const {
    const std::uint64_t one = 1;
    // A full counter is raised already; nothing else can fail here.
    [[maybe_unused]] const ssize_t written = ::write(fd_, &one, sizeof one);
}

void StopSignal::Reset() const {
    std::uint64_t count = 0;
    [[maybe_unused]] const ssize_t read = ::read(fd_, &count, sizeof count);
}
