#pragma once

#include <atomic>
#include <condition_variable>
#include <filesystem>
#include <mutex>
#include <string>
#include <vector>

#include <QThread>

#include "app/jobs/retrieval.h"
#include "settings/SiteSettings.h"

class Tftp_module;

// One retrieval of the server's file list on a thread of its own. Everything the run shows is
// emitted as a signal, in the order the walk makes it; a window connects them queued, so each
// change takes effect on its own thread in that order. The thread never touches a widget.
class tthread1 final : public QThread {
    Q_OBJECT
public:
    // settings is the copy the whole run works with.
    tthread1(Tftp_module& ftp, SiteSettings settings, std::filesystem::path programFolder,
             QObject* parent = nullptr);
    ~tthread1() override;

    // Ends the walk before its next command; the rows gathered so far are still handed over.
    // Also releases a run that waits for a message to be answered. Any thread.
    void RequestStop();
    bool StopRequested() const { return stopRequested_; }

    // Called by whoever shows MessageRequested once the user has closed the message; the run
    // waits until then. Any thread.
    void MessageAnswered();

    // The figures of the run; valid once the thread has finished.
    const RetrievalSummary& Summary() const { return summary_; }

signals:
    void TableCleared();
    void StatusTextChanged(int panel, const QString& text);
    void MaxTotalTextChanged(const QString& text);
    // A message with one button. The run waits until MessageAnswered() (or RequestStop()).
    void MessageRequested(const QString& text);
    void TableFilled(const std::vector<std::string>& rows);

protected:
    void run() override;

private:
    class Forwarder;
    void showMessage(const std::string& text);

    Tftp_module& ftp_;
    const SiteSettings settings_;
    const std::filesystem::path programFolder_;
    RetrievalSummary summary_;

    std::atomic<bool> stopRequested_{false};
    std::mutex answerMutex_;
    std::condition_variable answerChanged_;
    bool answered_ = false;
};
