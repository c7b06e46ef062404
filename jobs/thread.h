#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include <QMetaType>
#include <QString>
#include <QThread>

#include "jobs/retrieval.h"
#include "settings/SiteSettings.h"

class Tftp_module;

// Folders listed and known so far by a walk over several sessions, and the sessions listing them.
struct FolderCount {
    std::size_t done = 0;
    std::size_t known = 0;
    std::size_t sessions = 0;
};

// What a run has changed since its last report. What it has not changed is absent, so that
// whatever the window shows there meanwhile stays.
struct RetrievalProgress {
    std::optional<QString> place;       // the folder or the page the walk is at, as shown
    std::optional<FolderCount> folders; // a walk over several sessions
    std::optional<std::size_t> rowsFound;

    bool empty() const;
};
Q_DECLARE_METATYPE(RetrievalProgress)
Q_DECLARE_METATYPE(WalkProblem)
Q_DECLARE_METATYPE(RetrievalSummary)

// One retrieval of the server's file list on a thread of its own. Every event of the run is
// emitted as a signal; a window connects them queued, so each takes effect on its own thread,
// and decides what it shows. The walk moves on once per file, far more often than a window can
// paint, so its progress is coalesced: ProgressChanged comes at most every kReportInterval, the
// last state always follows (also while the walk waits on the server), and the other signals
// keep their order relative to it. The thread never touches a widget.
class tthread1 final : public QThread {
    Q_OBJECT
public:
    static constexpr std::chrono::milliseconds kReportInterval{50};

    // settings is the copy the whole run works with. Whoever starts the thread calls
    // ftp.ClearStop() first, on the window's thread.
    tthread1(Tftp_module& ftp, SiteSettings settings, std::filesystem::path programFolder,
             QObject* parent = nullptr);
    ~tthread1() override;

    // Ends the run at once: the wait on the server it is in fails (Tftp_module::Abort), or the
    // walk stops before its next command; the rows gathered so far are still handed over, and a
    // problem it waits on is released. Any thread.
    void RequestStop();
    bool StopRequested() const { return stopRequested_; }

    // Called by whoever shows ProblemMet once the user has closed its message; the run waits
    // until then. Any thread.
    void ProblemAnswered();

    // The figures of the run; valid once the thread has finished.
    const RetrievalSummary& Summary() const { return summary_; }
    const SiteSettings& Settings() const { return settings_; }

signals:
    // The run is connecting: the rows of an earlier run are void.
    void Started();
    void ProgressChanged(const RetrievalProgress& progress);
    // The run waits until ProblemAnswered() (or RequestStop()): a window shows it in a message box.
    void ProblemMet(const WalkProblem& problem);
    // The run's figures and its rows, in the order the walk found them.
    void Finished(const RetrievalSummary& summary, const std::vector<std::string>& rows);

protected:
    void run() override;

private:
    class Forwarder;
    class Pacer;
    using Clock = std::chrono::steady_clock;

    void changeProgress(const std::function<void(RetrievalProgress&)>& change);
    // Reports what is pending, then emits with emitter, both under the progress lock, so that
    // the receiver sees the state of the moment before the signal.
    void emitInOrder(const std::function<void()>& emitter);
    void reportLocked();
    void pace();
    void problemMet(const WalkProblem& problem);

    Tftp_module& ftp_;
    const SiteSettings settings_;
    const std::filesystem::path programFolder_;
    RetrievalSummary summary_;

    std::atomic<bool> stopRequested_{false};
    std::mutex answerMutex_;
    std::condition_variable answerChanged_;
    bool answered_ = false;

    std::mutex progressMutex_;
    std::condition_variable progressChanged_;
    RetrievalProgress pending_;
    Clock::time_point lastReport_{};
    bool runEnded_ = false;
};
