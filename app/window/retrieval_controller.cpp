#include "app/window/retrieval_controller.h"

#include "app/settings_dialog/Usite_manager.h"
#include "app/widgets/message_dialogs.h"
#include "jobs/problem_text.h"

RetrievalController::RetrievalController(QObject* parent) : QObject(parent) {}

RetrievalController::~RetrievalController() {
    StopAndWait();
}

void RetrievalController::Start(Tftp_module& ftp, const SiteSettings& settings,
                                const std::filesystem::path& programFolder) {
    auto* thread = new tthread1(ftp, settings, programFolder, this);
    // Calls already queued when the window stops a run early must not reach a deleted thread.
    const QPointer<tthread1> guarded(thread);
    // Queued, so that every event takes effect here in the order the walk met it.
    connect(thread, &tthread1::Started, this, &RetrievalController::Started, Qt::QueuedConnection);
    connect(thread, &tthread1::ProgressChanged, this, &RetrievalController::ProgressChanged,
            Qt::QueuedConnection);
    connect(
        thread, &tthread1::ProblemMet, this,
        [guarded](const WalkProblem& problem) {
            // The walk waits until the message is closed.
            ShowPlainMessage(QString::fromStdString(WalkProblemText(problem)));
            if (guarded)
                guarded->ProblemAnswered();
        },
        Qt::QueuedConnection);
    connect(thread, &tthread1::Finished, this, &RetrievalController::Finished,
            Qt::QueuedConnection);
    connect(
        thread, &QThread::finished, this,
        [this, guarded] {
            if (!guarded)
                return;
            if (run_ == guarded)
                run_.clear();
            guarded->deleteLater();
            emit Ended(*guarded);
        },
        Qt::QueuedConnection);
    run_ = thread;
    thread->start();
}

void RetrievalController::RequestStop() {
    if (run_)
        run_->RequestStop();
}

void RetrievalController::StopAndWait() {
    if (!run_)
        return;
    tthread1* thread = run_;
    run_.clear();
    // Nothing of the run reaches the window any more; a problem it waits on is released.
    thread->disconnect(this);
    thread->RequestStop();
    thread->wait();
    delete thread;
}

bool RetrievalController::UserNowTrusts(Tfsite_manager* siteManager,
                                        const std::optional<CertificateInfo>& certificate,
                                        const std::optional<SshHostKey>& hostKey,
                                        bool passphraseWanted) {
    if (!siteManager)
        return false;
    if (certificate)
        return siteManager->OfferTrust(*certificate);
    if (hostKey)
        return siteManager->OfferHostKeyTrust(*hostKey);
    return passphraseWanted && siteManager->AskPassphrase();
}
