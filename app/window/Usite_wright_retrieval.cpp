// The retrieval's thread and the connection test, started and ended from the window.
#include "app/window/Usite_wright.h"

#include <algorithm>
#include <stdexcept>

#include <QProgressBar>

#include "app/settings_dialog/Usite_manager.h"
#include "app/widgets/message_dialogs.h"
#include "app/window/page_check_controller.h"
#include "app/window/retrieval_controller.h"
#include "app/window/row_delegate.h"
#include "core/text_util.h"
#include "core/texts.h"
#include "ftp/Uftp_module.h"
#include "jobs/page_check_job.h"
#include "jobs/problem_text.h"
#include "jobs/table_sitemap.h"
#include "jobs/thread.h"
#include "jobs/work_table.h"

void TFsite_wright::createRetrieval() {
    retrieval_ = new RetrievalController(this);
    connect(retrieval_, &RetrievalController::Started, this, &TFsite_wright::retrievalStarted);
    connect(retrieval_, &RetrievalController::ProgressChanged, this, &TFsite_wright::showProgress);
    connect(retrieval_, &RetrievalController::Finished, this, &TFsite_wright::showRetrievalEnd);
    connect(retrieval_, &RetrievalController::Ended, this, &TFsite_wright::retrievalFinished);
    pageCheck_ = new PageCheckController(this);
    connect(pageCheck_, &PageCheckController::Progress, this, [this](int done, int total) {
        SetStatusText(2, QText(Filled(texts::kCheckingPages, {{"done", std::to_string(done)},
                                                              {"total", std::to_string(total)}})));
    });
    connect(pageCheck_, &PageCheckController::Finished, this, &TFsite_wright::pageCheckFinished);
}

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
    delegate_->setIndexNames(SitemapOptionsFor(settings).format.indexNames);
    missingPages_ = 0;
    // A stop of an earlier conversation must not end this one.
    ftpModule().ClearStop();
    SetRetrievalRunning(true);
    retrieval_->Start(ftpModule(), settings, programFolder_);
}

void TFsite_wright::retrievalStarted() {
    table_->clear();
    walkProgress_->hide();
    SetStatusText(1, QText(texts::kConnecting));
    SetMaxTotalText(QText(texts::kRetrieving));
}

void TFsite_wright::showProgress(const RetrievalProgress& progress) {
    if (progress.place)
        SetStatusText(2, *progress.place + QText(texts::kBeingRetrieved));
    if (progress.folders) {
        const FolderCount& folders = *progress.folders;
        walkProgress_->setRange(0, int(std::max<std::size_t>(folders.known, 1)));
        walkProgress_->setValue(int(folders.done));
        walkProgress_->setFormat(
            QText(Filled(texts::kWalkProgress, {{"done", std::to_string(folders.done)},
                                                {"known", std::to_string(folders.known)},
                                                {"sessions", std::to_string(folders.sessions)}})));
        walkProgress_->show();
    }
    if (progress.rowsFound)
        SetMaxTotalText(QString::number(*progress.rowsFound));
}

void TFsite_wright::showRetrievalEnd(const RetrievalSummary& summary,
                                     const std::vector<std::string>& rows) {
    walkProgress_->hide();
    SetStatusText(1, QText(summary.stopped    ? texts::kRetrievalStopped
                           : summary.Failed() ? texts::kRetrievalFailed
                                              : texts::kRetrievalFinished));
    SetStatusText(2, QString());
    if (summary.tlsRefused)
        SetStatusText(0, QText(texts::kPlainConnection));
    FillAfterRetrieval(rows);
}

void TFsite_wright::retrievalFinished(const tthread1& run) {
    SetRetrievalRunning(false);
    const RetrievalSummary& summary = run.Summary();
    const bool complete =
        !summary.stopped && !summary.endedEarly && !summary.loginFailed && summary.folders > 0;
    table_->setIncomplete(!complete);
    SetStatusText(0, complete ? QString() : QText(texts::kListIncomplete));
    if (summary.WalkedWholeSite())
        offerToForgetMissing(run);
    if (RetrievalController::UserNowTrusts(siteManager_, summary.untrustedCertificate,
                                           summary.untrustedHostKey, summary.passphraseWanted))
        startRetrievalThread(siteManager_->Settings());
    else if (complete && run.Settings().check_pages && table_->count() > 0)
        startPageCheck(run);
}

void TFsite_wright::startPageCheck(const tthread1& run) {
    checkSettings_ = run.Settings();
    std::vector<std::string> rows;
    for (int i = 0; i < table_->count(); ++i)
        rows.push_back(table_->rowText(i));
    // Edits wait for the verdicts, which come back for these rows in this order.
    SetRetrievalRunning(true);
    pageCheck_->Start(
        PlanPageCheck(rows, checkSettings_, run.Summary().htaccess, memory_.get()));
}

void TFsite_wright::pageCheckFinished(const PageCheckReport& report) {
    SetRetrievalRunning(false);
    std::vector<std::string> rows;
    for (int i = 0; i < table_->count(); ++i)
        rows.push_back(table_->rowText(i));
    const PageCheckResult result =
        ApplyPageCheck(rows, pageCheck_->Plan(), report, checkSettings_, memory_.get());
    for (std::size_t i = 0; i < rows.size(); ++i)
        if (rows[i] != table_->rowText(int(i)))
            table_->replaceRow(int(i), rows[i]);
    const std::size_t leftOut = table_->applyPageCheck(result);
    RecountChecked();
    SetStatusText(2, QText(Filled(texts::kStatusLeftOut, {{"count", std::to_string(leftOut)}})));
    for (const CertificateFailure& failure : result.certificateFailures) {
        std::string reason;
        for (const QSslError& error : failure.errors)
            reason += (reason.empty() ? "" : " ") + error.errorString().toStdString();
        ShowPlainMessage(QText(
            Filled(texts::kCertificateUnchecked, {{"site", failure.site}, {"reason", reason}})));
    }
}

void TFsite_wright::Button5Click() {
    retrieval_->RequestStop();
    pageCheck_->RequestStop();
}

void TFsite_wright::stopRetrievalAndWait() {
    pageCheck_->StopAndWait();
    if (!retrieval_->Running())
        return;
    retrieval_->StopAndWait();
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
