#pragma once

#include <atomic>
#include <memory>

#include <QObject>
#include <QThread>

#include "jobs/page_check_job.h"

// Runs the window's page check on a thread of its own after a retrieval, as the retrieval's
// controller runs the walk: its progress and its report reach the window's thread as queued
// signals; the window applies the report.
class PageCheckController final : public QObject {
    Q_OBJECT
public:
    explicit PageCheckController(QObject* parent = nullptr);
    // Stops a running check and waits for its thread.
    ~PageCheckController() override;

    void Start(PageCheckPlan plan);
    void RequestStop() { stop_ = true; }
    void StopAndWait();
    bool Running() const { return thread_ != nullptr; }
    // The plan of the run that finished last (valid until the next Start).
    const PageCheckPlan& Plan() const { return plan_; }

signals:
    void Progress(int done, int total);
    void Finished(const PageCheckReport& report);

private:
    PageCheckPlan plan_;
    std::atomic<bool> stop_{false};
    QThread* thread_ = nullptr;
    int run_ = 0; // the run whose signals reach the window; touched on the window's thread
};
