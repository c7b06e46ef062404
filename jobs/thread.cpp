#include "jobs/thread.h"

#include <thread>
#include <utility>

#include "ftp/Uftp_module.h"
#include "sitemap/sitemap_writer.h"

bool RetrievalProgress::empty() const {
    return !place && !folders && !rowsFound;
}

// Hands every event of the walk to the thread's signals.
class tthread1::Forwarder final : public RetrievalObserver {
public:
    explicit Forwarder(tthread1& thread) : thread_(thread) {}

    void Started() override {
        thread_.emitInOrder([this] { emit thread_.Started(); });
    }
    void WorkingOn(const std::string& place) override {
        const QString shown = QString::fromStdString(place);
        thread_.changeProgress([&](RetrievalProgress& progress) { progress.place = shown; });
    }
    void RowFound(const std::string&) override {
        const std::size_t found = ++rowsFound_;
        thread_.changeProgress([&](RetrievalProgress& progress) { progress.rowsFound = found; });
    }
    void WalkProgress(std::size_t done, std::size_t known, std::size_t sessions) override {
        thread_.changeProgress([&](RetrievalProgress& progress) {
            progress.folders = FolderCount{done, known, sessions};
        });
    }
    void ProblemMet(const WalkProblem& problem) override { thread_.problemMet(problem); }
    void Finished(const RetrievalSummary& summary, std::vector<std::string> rows) override {
        thread_.emitInOrder([&] { emit thread_.Finished(summary, rows); });
    }
    bool StopRequested() override { return thread_.StopRequested(); }

private:
    tthread1& thread_;
    std::size_t rowsFound_ = 0;
};

// Reports a change the walk made too soon after the last report once it is due, while the walk
// itself may be waiting on the server; reports what is left when the run ends.
class tthread1::Pacer final {
public:
    explicit Pacer(tthread1& thread) : thread_(thread), worker_([this] { thread_.pace(); }) {}
    ~Pacer() {
        {
            std::lock_guard<std::mutex> lock(thread_.progressMutex_);
            thread_.reportLocked();
            thread_.runEnded_ = true;
        }
        thread_.progressChanged_.notify_all();
        worker_.join();
    }
    Pacer(const Pacer&) = delete;
    Pacer& operator=(const Pacer&) = delete;

private:
    tthread1& thread_;
    std::thread worker_;
};

tthread1::tthread1(Tftp_module& ftp, SiteSettings settings, std::filesystem::path programFolder,
                   QObject* parent)
    : QThread(parent), ftp_(ftp), settings_(std::move(settings)),
      programFolder_(std::move(programFolder)) {
    qRegisterMetaType<std::vector<std::string>>();
    qRegisterMetaType<RetrievalProgress>();
    qRegisterMetaType<WalkProblem>();
    qRegisterMetaType<RetrievalSummary>();
}

tthread1::~tthread1() {
    // A finished run must not abort a conversation that someone else has started since.
    if (isRunning())
        RequestStop();
    wait();
}

void tthread1::RequestStop() {
    stopRequested_ = true;
    ftp_.Abort();
    std::lock_guard<std::mutex> lock(answerMutex_);
    answerChanged_.notify_all();
}

void tthread1::ProblemAnswered() {
    std::lock_guard<std::mutex> lock(answerMutex_);
    answered_ = true;
    answerChanged_.notify_all();
}

void tthread1::problemMet(const WalkProblem& problem) {
    {
        std::lock_guard<std::mutex> lock(answerMutex_);
        // The user asked the run to end; what went wrong on the way out is no news.
        if (stopRequested_)
            return;
        answered_ = false;
    }
    emitInOrder([&] { emit ProblemMet(problem); });
    std::unique_lock<std::mutex> lock(answerMutex_);
    answerChanged_.wait(lock, [this] { return answered_ || stopRequested_; });
}

void tthread1::changeProgress(const std::function<void(RetrievalProgress&)>& change) {
    std::lock_guard<std::mutex> lock(progressMutex_);
    const bool wasEmpty = pending_.empty();
    change(pending_);
    if (Clock::now() - lastReport_ >= kReportInterval)
        reportLocked();
    else if (wasEmpty)
        progressChanged_.notify_all(); // the pacer waits for work; with some, for its time
}

void tthread1::emitInOrder(const std::function<void()>& emitter) {
    std::lock_guard<std::mutex> lock(progressMutex_);
    reportLocked();
    emitter();
}

void tthread1::reportLocked() {
    if (pending_.empty())
        return;
    const RetrievalProgress progress = std::exchange(pending_, RetrievalProgress());
    lastReport_ = Clock::now();
    emit ProgressChanged(progress);
}

void tthread1::pace() {
    std::unique_lock<std::mutex> lock(progressMutex_);
    while (!runEnded_) {
        if (pending_.empty()) {
            progressChanged_.wait(lock);
            continue;
        }
        const Clock::time_point due = lastReport_ + kReportInterval;
        if (Clock::now() < due) {
            progressChanged_.wait_until(lock, due);
            continue;
        }
        reportLocked();
    }
}

void tthread1::run() {
    // A sitemap from an earlier list no longer matches; it may be missing already.
    std::error_code ignored;
    std::filesystem::remove(SitemapPath(programFolder_), ignored);
    const Pacer pacer(*this);
    Forwarder forwarder(*this);
    summary_ = RunRetrieval(ftp_, settings_, forwarder);
}
