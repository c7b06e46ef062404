#pragma once

#include <atomic>
#include <csignal>

class Tftp_module;

// While it lives, the first Ctrl-C (or SIGTERM) stops the walk on ftp at once, even in the
// middle of a wait on the server; a second one ends the program as usual. InterruptSignal()
// (command_line.h) tells which signal it was.
class StopOnInterrupt final {
public:
    explicit StopOnInterrupt(const Tftp_module& ftp);
    ~StopOnInterrupt();
    StopOnInterrupt(const StopOnInterrupt&) = delete;
    StopOnInterrupt& operator=(const StopOnInterrupt&) = delete;

    // True once a Ctrl-C (or SIGTERM) came while this lives: the flag the page check watches.
    static const std::atomic<bool>& Requested();

private:
    struct sigaction previousInterrupt_ {};
    struct sigaction previousTerminate_ {};
};
