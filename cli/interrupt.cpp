#include "cli/interrupt.h"

#include <atomic>

#include "cli/command_line.h"
#include "ftp/Uftp_module.h"

namespace {

// The signal that asked the running walk to stop; 0 while none has.
std::atomic<int> interruptSignal{0};
static_assert(std::atomic<int>::is_always_lock_free);
std::atomic<bool> interruptRequested{false};
static_assert(std::atomic<bool>::is_always_lock_free);
// The client whose waits a Ctrl-C ends at once; set only while a walk runs.
std::atomic<const Tftp_module*> abortTarget{nullptr};
static_assert(std::atomic<const Tftp_module*>::is_always_lock_free);

extern "C" void onInterrupt(int signal) {
    interruptSignal = signal;
    interruptRequested = true;
    // Abort only writes to an eventfd, which a signal handler may do.
    if (const Tftp_module* ftp = abortTarget.load())
        ftp->Abort();
}

} // namespace

StopOnInterrupt::StopOnInterrupt(const Tftp_module& ftp) {
    interruptSignal = 0;
    interruptRequested = false;
    abortTarget = &ftp;
    struct sigaction action {};
    action.sa_handler = onInterrupt;
    action.sa_flags = SA_RESETHAND;
    sigemptyset(&action.sa_mask);
    ::sigaction(SIGINT, &action, &previousInterrupt_);
    ::sigaction(SIGTERM, &action, &previousTerminate_);
}

StopOnInterrupt::~StopOnInterrupt() {
    ::sigaction(SIGINT, &previousInterrupt_, nullptr);
    ::sigaction(SIGTERM, &previousTerminate_, nullptr);
    abortTarget = nullptr;
}

const std::atomic<bool>& StopOnInterrupt::Requested() {
    return interruptRequested;
}

int InterruptSignal() {
    return interruptSignal.load();
}
