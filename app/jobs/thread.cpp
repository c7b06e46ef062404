#include "app/jobs/thread.h"

#include <utility>

#include <QMetaType>

#include "sitemap/sitemap_writer.h"

// Hands every call of the walk to the thread's signals.
class tthread1::Forwarder final : public RetrievalObserver {
public:
    explicit Forwarder(tthread1& thread) : thread_(thread) {}

    void ClearTable() override { emit thread_.TableCleared(); }
    void SetStatusText(int panel, const std::string& text) override {
        emit thread_.StatusTextChanged(panel, QString::fromStdString(text));
    }
    void SetMaxTotalText(const std::string& text) override {
        emit thread_.MaxTotalTextChanged(QString::fromStdString(text));
    }
    void ShowMessage(const std::string& text) override { thread_.showMessage(text); }
    void FillTable(std::vector<std::string> rows) override { emit thread_.TableFilled(rows); }
    bool StopRequested() override { return thread_.StopRequested(); }

private:
    tthread1& thread_;
};

tthread1::tthread1(Tftp_module& ftp, SiteSettings settings, std::filesystem::path programFolder,
                   QObject* parent)
    : QThread(parent), ftp_(ftp), settings_(std::move(settings)),
      programFolder_(std::move(programFolder)) {
    qRegisterMetaType<std::vector<std::string>>();
}

tthread1::~tthread1() {
    RequestStop();
    wait();
}

void tthread1::RequestStop() {
    stopRequested_ = true;
    std::lock_guard<std::mutex> lock(answerMutex_);
    answerChanged_.notify_all();
}

void tthread1::MessageAnswered() {
    std::lock_guard<std::mutex> lock(answerMutex_);
    answered_ = true;
    answerChanged_.notify_all();
}

void tthread1::showMessage(const std::string& text) {
    {
        std::lock_guard<std::mutex> lock(answerMutex_);
        answered_ = false;
    }
    emit MessageRequested(QString::fromStdString(text));
    std::unique_lock<std::mutex> lock(answerMutex_);
    answerChanged_.wait(lock, [this] { return answered_ || stopRequested_; });
}

void tthread1::run() {
    // A sitemap from an earlier list no longer matches; it may be missing already.
    std::error_code ignored;
    std::filesystem::remove(SitemapPath(programFolder_), ignored);
    Forwarder forwarder(*this);
    summary_ = RunRetrieval(ftp_, settings_, forwarder);
}
