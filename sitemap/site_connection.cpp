#include "sitemap/site_connection.h"

#include <cerrno>
#include <cstdint>
#include <stdexcept>

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

StopRelay::StopRelay(int stopDescriptor, SiteConnection& connection)
    : done_(::eventfd(0, EFD_CLOEXEC)) {
    if (done_ < 0)
        throw std::runtime_error("eventfd");
    thread_ = std::thread([this, stopDescriptor, &connection] {
        pollfd waits[2] = {{stopDescriptor, POLLIN, 0}, {done_, POLLIN, 0}};
        while (::poll(waits, 2, -1) < 0 && errno == EINTR) {
        }
        if ((waits[0].revents & POLLIN) && !(waits[1].revents & POLLIN))
            connection.RaiseStop();
    });
}

StopRelay::~StopRelay() {
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t written = ::write(done_, &one, sizeof one);
    thread_.join();
    ::close(done_);
}
