#include "app/window/page_check_controller.h"

#include <chrono>

PageCheckController::PageCheckController(QObject* parent) : QObject(parent) {}

PageCheckController::~PageCheckController() {
    StopAndWait();
}

void PageCheckController::Start(PageCheckPlan plan) {
    StopAndWait();
    plan_ = std::move(plan);
    stop_ = false;
    const int total = int(plan_.pages.size());
    const int run = ++run_;
    thread_ = QThread::create([this, total, run] {
        // Progress coalesced: about 20 updates a second, and the last one always.
        auto shown = std::chrono::steady_clock::now();
        PageCheckReport report = RunPageCheck(plan_, stop_, [&](std::size_t done, const PageVerdict&) {
            const auto now = std::chrono::steady_clock::now();
            if (int(done) < total && now - shown < std::chrono::milliseconds(50))
                return;
            shown = now;
            QMetaObject::invokeMethod(
                this,
                [this, done, total, run] {
                    if (run == run_)
                        emit Progress(int(done), total);
                },
                Qt::QueuedConnection);
        });
        QMetaObject::invokeMethod(
            this,
            [this, run, report = std::move(report)] {
                // A run stopped and waited for is over; its report is dropped.
                if (run != run_)
                    return;
                if (thread_) {
                    thread_->wait();
                    thread_->deleteLater();
                    thread_ = nullptr;
                }
                emit Finished(report);
            },
            Qt::QueuedConnection);
    });
    thread_->start();
}

void PageCheckController::StopAndWait() {
    if (!thread_)
        return;
    stop_ = true;
    thread_->wait();
    delete thread_;
    thread_ = nullptr;
    ++run_; // what the run still has queued is dropped
}
