#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>

// Ends the waits of one connection from outside: libssh waits inside its own calls, so a stop
// or a deadline shuts the socket down, which ends any wait on it at once with an error. The
// guard then tells that error from a dropped connection.
class WaitGuard final {
public:
    using Clock = std::chrono::steady_clock;

    WaitGuard();
    ~WaitGuard();
    WaitGuard(const WaitGuard&) = delete;
    WaitGuard& operator=(const WaitGuard&) = delete;

    // Connects to host:port within bound, watching the stop; returns a new descriptor for the
    // caller to own (the guard keeps a duplicate to shut down). Raises SftpError
    // (ConnectFailed, TimedOut, Stopped).
    int Connect(const std::string& host, unsigned short port, std::chrono::milliseconds bound);

    // Any thread, or a signal handler: ends the current and every later wait until Clear().
    void RaiseStop();
    // Withdraws the stop and a fired deadline, before a new connection.
    void Clear();

    // Shuts the connection down when deadline passes before Disarm.
    void Arm(Clock::time_point deadline);
    void Disarm();

    bool Stopped() const { return stopped_; }
    bool TimedOut() const { return timedOut_; }

private:
    void watch();
    void shutDown();

    std::atomic<bool> stopped_{false};
    std::atomic<bool> timedOut_{false};
    int stopEvent_; // eventfd, readable once the stop is raised
    std::atomic<int> socket_{
        -1}; // the guard's duplicate; reused by dup2 so a stop never hits another file
    std::mutex mutex_;
    std::condition_variable changed_;
    bool armed_ = false;
    bool ending_ = false;
    Clock::time_point deadline_;
    std::thread watcher_;
};
