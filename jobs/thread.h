#pragma once

#include <array>
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

// The status texts a run has changed since its last report. A text it has not changed is
// absent, so that whatever the window wrote there meanwhile stays.
struct RetrievalProgress {
    std::array<std::optional<QString>, 3> panels; // status bar panels 0 to 2
    std::optional<QString> maxTotal;              // the row counter

    bool empty() const;
};
Q_DECLARE_METATYPE(RetrievalProgress)

// One retrieval of the server's file list on a thread of its own. Everything the run shows is
// emitted as a signal; a window connects them queued, so each change takes effect on its own
// thread. The walk changes the status texts once per file, far more often than a window can
// paint, so they are coalesced: ProgressChanged comes at most every kReportInterval, the last
// state always follows (also while the walk waits on the server), and the other signals keep
// their order relative to it. The thread never touches a widget.
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
    // message it waits on is released. Any thread.
    void RequestStop();
    bool StopRequested() const { return stopRequested_; }

    // Called by whoever shows MessageRequested once the user has closed the message; the run
    // waits until then. Any thread.
    void MessageAnswered();

    // The figures of the run; valid once the thread has finished.
    const RetrievalSummary& Summary() const { return summary_; }
    const SiteSettings& Settings() const { return settings_; }

signals:
    void TableCleared();
    void ProgressChanged(const RetrievalProgress& progress);
    // A message with one button. The run waits until MessageAnswered() (or RequestStop()).
    void MessageRequested(const QString& text);
    void TableFilled(const std::vector<std::string>& rows);

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
    void showMessage(const std::string& text);

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
