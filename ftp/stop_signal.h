#pragma once

// A stop that any thread, or a signal handler, can raise to end every wait of the sockets that
// watch it at once: the sockets poll its descriptor beside their own, so a silent server or a
// stalled transfer never holds a stop for the length of a time-out.
class StopSignal final {
public:
    StopSignal();
    ~StopSignal();
    StopSignal(const StopSignal&) = delete;
    StopSignal& operator=(const StopSignal&) = delete;

    // Any thread; async-signal-safe.
    void Raise() const;
    // Withdraws a stop, before a new conversation starts.
    void Reset() const;

    // The descriptor that becomes readable once the stop is raised.
    int Descriptor() const { return fd_; }

private:
    int fd_;
};
