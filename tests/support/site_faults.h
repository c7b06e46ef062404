#pragma once

// A small site's conversation broken at every point, shared by the tests of the walk and of the
// command line that runs it: the faults, how far the client gets before each, and a watchdog
// that turns a hang into a failure.

#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <functional>
#include <iostream>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "support/fake_ftp_server.h"
#include "support/fault_scripts.h"
#include "support/test_rows.h"
#include "support/walk_script.h"

namespace site_faults {

extern const std::string kWeb;
extern const std::string kCutShort;
extern const std::string kConnectFailed;
extern const std::string kOldSitemap;

// Every run must end well within this, whatever the fault; far beyond the time-outs of a case.
inline constexpr std::chrono::seconds kRunBound{120};

// The site: /r holds a page, a subfolder and a page after it; /r/sub two pages and a text.
std::vector<fake_ftp::Step> siteScript();

// The rows gathered once 0, 1, 2 or all 3 listings of the site have arrived, in walk order.
extern const std::vector<walk_script::Lines> kRowsAfterListings;

// How far the client gets in a script before its fault: whether the login completes and how
// many listings it receives whole.
struct Reach {
    bool loggedIn = false;
    std::size_t listings = 0;
};

Reach reachOf(const std::vector<fake_ftp::Step>& script);

// The commands the server reads in a script: every command of its exchanges, in order.
walk_script::Lines commandsOf(const std::vector<fake_ftp::Step>& script);

// One broken conversation: the script and what the client's error must say.
struct FaultCase {
    std::string description;
    std::vector<fake_ftp::Step> script;
    std::function<bool(const std::string&)> describes;
};

// Every fault of the shared fault scripts at every step of script, then a listing cut off in
// the middle (dropped, or stalled) and a PASV port where nothing listens at every listing.
std::vector<FaultCase> faultsAtEveryPoint(const std::vector<fake_ftp::Step>& script);

// Ends the test program when a run has not ended within its bound, naming the run: a hang
// shows as a failure instead of a test that never ends.
class Watchdog final {
public:
    Watchdog(std::string what, std::chrono::seconds bound)
        : thread_([this, what = std::move(what), bound] {
              std::unique_lock<std::mutex> lock(mutex_);
              if (!changed_.wait_for(lock, bound, [this] { return ended_; })) {
                  std::cerr << "did not end within " << bound.count() << " s: " << what
                            << std::endl;
                  std::abort();
              }
          }) {}
    ~Watchdog() {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            ended_ = true;
        }
        changed_.notify_all();
        thread_.join();
    }
    Watchdog(const Watchdog&) = delete;
    Watchdog& operator=(const Watchdog&) = delete;

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    bool ended_ = false;
    std::thread thread_; // last: it uses the members above
};

} // namespace site_faults
