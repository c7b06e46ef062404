// The retrieval's thread and the connection test, started and ended from the window.
#include "app/window/Usite_wright.h"

#include <stdexcept>

#include "app/settings_dialog/Usite_manager.h"
#include "app/widgets/message_dialogs.h"
#include "core/texts.h"
#include "ftp/Uftp_module.h"
#include "jobs/thread.h"
#include "jobs/work_table.h"

void TFsite_wright::N8Click() {
    StartRetrieval();
}

void TFsite_wright::StartRetrieval() {
    if (retrievalRunning_) {
        ShowRetrievalRunning();
        return;
    }
    if (table_->count() > 0 && ShowConfirm(QText(texts::kDiscardList), QText(texts::kRun),
                                           QText(texts::kCancel)) == kSecondButton)
        return;
    if (!siteManager_)
        throw std::logic_error("the settings dialog is not there");
    if (ExecDialog(*siteManager_) != QDialog::Accepted)
        return;
    startRetrievalThread(siteManager_->Settings());
}

void TFsite_wright::startRetrievalThread(const SiteSettings& settings) {
    // The rows to come belong to this site; its memory is applied to them when they arrive.
    // Without it the table would tick again the pages the user unticked.
    while (memoryFor(settings).Locked())
        if (ShowConfirm(QText(texts::kMemoryLockedQuestion), QText(texts::kRetry),
                        QText(texts::kCancel)) == kSecondButton)
            return;
    defaults_ = {settings.changefreq, settings.priority};
    missingPages_ = 0;
    // A stop of an earlier conversation must not end this one.
    ftpModule().ClearStop();
    auto* thread = new tthread1(ftpModule(), settings, programFolder_, this);
    // Calls already queued when the window stops a run early must not reach a deleted thread.
    const QPointer<tthread1> guarded(thread);
    // Queued, so that every change takes effect here in the order the walk made it.
    connect(
        thread, &tthread1::TableCleared, this, [this] { table_->clear(); }, Qt::QueuedConnection);
    connect(thread, &tthread1::ProgressChanged, this, &TFsite_wright::showProgress,
            Qt::QueuedConnection);
    connect(
        thread, &tthread1::MessageRequested, this,
        [guarded](const QString& text) {
            ShowPlainMessage(text);
            if (guarded)
                guarded->MessageAnswered();
        },
        Qt::QueuedConnection);
    connect(
        thread, &tthread1::TableFilled, this,
        [this](const std::vector<std::string>& rows) { FillAfterRetrieval(rows); },
        Qt::QueuedConnection);
    connect(
        thread, &QThread::finished, this,
        [this, guarded] {
            if (guarded)
                retrievalFinished(guarded);
        },
        Qt::QueuedConnection);
    retrieval_ = thread;
    SetRetrievalRunning(true);
    thread->start();
}

void TFsite_wright::retrievalFinished(tthread1* thread) {
    if (retrieval_ == thread)
        retrieval_.clear();
    SetRetrievalRunning(false);
    thread->deleteLater();
    const RetrievalSummary& summary = thread->Summary();
    const bool complete =
        !summary.stopped && !summary.endedEarly && !summary.loginFailed && summary.folders > 0;
    table_->setIncomplete(!complete);
    SetStatusText(0, complete ? QString() : QText(texts::kListIncomplete));
    if (summary.WalkedWholeSite())
        offerToForgetMissing(*thread);
    // A certificate the user now trusts lets the same retrieval run again.
    const std::optional<CertificateInfo>& certificate = thread->Summary().untrustedCertificate;
    if (certificate && siteManager_ && siteManager_->OfferTrust(*certificate))
        startRetrievalThread(siteManager_->Settings());
}

void TFsite_wright::Button5Click() {
    if (retrieval_)
        retrieval_->RequestStop();
}

void TFsite_wright::stopRetrievalAndWait() {
    if (!retrieval_)
        return;
    tthread1* thread = retrieval_;
    retrieval_.clear();
    // Nothing of the run reaches the window any more; a message it waits on is released.
    thread->disconnect(this);
    thread->RequestStop();
    thread->wait();
    delete thread;
    SetRetrievalRunning(false);
}

void TFsite_wright::N7Click() {
    if (retrievalRunning_) {
        ShowRetrievalRunning();
        return;
    }
    if (!siteManager_)
        throw std::logic_error("the settings dialog is not there");
    RunConnectionTest(this, ftpModule(), *siteManager_,
                      [](const QString& result) { ShowInfo(result, QText(texts::kConfirm)); });
}
