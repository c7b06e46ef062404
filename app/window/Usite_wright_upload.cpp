// The sitemap menu's file items: writing sitemap.xml, showing it and uploading it.
#include "app/window/Usite_wright.h"

#include "app/settings_dialog/Usite_manager.h"
#include "app/widgets/message_dialogs.h"
#include "app/widgets/wait_dialog.h"
#include "app/window/retrieval_controller.h"
#include "core/text_util.h"
#include "core/texts.h"
#include "ftp/Uftp_module.h"
#include "jobs/table_sitemap.h"
#include "jobs/problem_text.h"
#include "jobs/search_engines.h"
#include "jobs/work_table.h"
#include "settings/SiteSettings.h"
#include "sitemap/sitemap_writer.h"
#include "sitemap/upload.h"

void TFsite_wright::N13Click() {
    CreateSitemap();
}

void TFsite_wright::CreateSitemap() {
    const FolderLock lock(programFolder_);
    if (!folderLocked(lock))
        return;
    // An empty list replaces a standing sitemap only when the user says so (default: no).
    std::error_code ignored;
    if (table_->checkedCount() == 0 &&
        std::filesystem::exists(SitemapPath(programFolder_), ignored) &&
        ShowConfirm(QText(texts::kNoRowsReplaceQuestion), QText(texts::kCancel),
                    QText(texts::kRun)) != kSecondButton)
        return;
    // A sitemap split into parts opens at its index.
    WriteTableSitemap(*table_, programFolder_, currentSettings(),
                      [this](const std::string& location) {
                          SetStatusText(2, QString::fromStdString(location));
                      });
    OpenAddress(QUrl::fromLocalFile(QString::fromStdString(SitemapPath(programFolder_).string())));
}

bool TFsite_wright::folderLocked(const FolderLock& lock) const {
    if (!lock.Held())
        ShowInfo(QString::fromStdString(
                     Filled(texts::kFolderBusy, {{"folder", programFolder_.string()}})),
                 QText(texts::kConfirm));
    return lock.Held();
}

bool TFsite_wright::sitemapExists() const {
    std::error_code ignored;
    if (std::filesystem::exists(SitemapPath(programFolder_), ignored))
        return true;
    ShowInfo(QText(texts::kNoSitemap), QText(texts::kConfirm));
    return false;
}

void TFsite_wright::N15Click() {
    if (!sitemapExists())
        return;
    OpenAddress(QUrl::fromLocalFile(QString::fromStdString(SitemapPath(programFolder_).string())));
}

void TFsite_wright::LOCAL1Click() {
    if (!sitemapExists())
        return;
    openWebPage(QString::fromStdString(currentSettings().web_url) + QStringLiteral("/sitemap.xml"));
}

void TFsite_wright::N14Click() {
    // The upload and the retrieval would share the one FTP client.
    if (retrievalRunning_) {
        ShowRetrievalRunning();
        return;
    }
    if (!sitemapExists())
        return;
    const FolderLock lock(programFolder_);
    if (!folderLocked(lock))
        return;
    const SiteSettings settings = currentSettings();
    if (ShowConfirm(QText(texts::kUploadQuestion) + QText(texts::kLineBreak) +
                        QString::fromStdString(settings.site_root),
                    QText(texts::kRun), QText(texts::kCancel)) == kSecondButton)
        return;
    // Uploaded, a sitemap without any URL would empty the server's copy.
    if (SitemapHasNoUrl(programFolder_) &&
        ShowConfirm(QText(texts::kEmptySitemapConfirm), QText(texts::kRun),
                    QText(texts::kCancel)) == kSecondButton)
        return;
    UploadResult result;
    Tftp_module& ftp = ftpModule();
    // Asked on the window's thread while the upload's thread waits (default: no).
    const ShrinkCheck askShrink = [this](const ShrinkFinding& finding) {
        bool allowed = false;
        QMetaObject::invokeMethod(
            this,
            [&] {
                allowed = ShowConfirm(
                              QString::fromStdString(Concat({ShrinkText(finding), texts::kLineBreak,
                                                             texts::kShrinkQuestion})),
                              QText(texts::kCancel), QText(texts::kRun)) == kSecondButton;
            },
            Qt::BlockingQueuedConnection);
        return allowed;
    };
    // The robots.txt check runs in the upload's own session: one login fewer.
    std::optional<RobotsResult> robots;
    for (SiteSettings uploadSettings = settings;;) {
        const AfterUpload checkRobots = [&](SiteConnection& connection) {
            if (!uploadSettings.web_url.empty())
                robots = CheckRobotsLine(connection, uploadSettings, false);
        };
        ftp.ClearStop();
        RunWithStop(
            this, QText(texts::kUploading),
            [&] {
                result = UploadSitemap(ftp, uploadSettings, programFolder_, askShrink, checkRobots);
            },
            [&ftp] { ftp.Abort(); });
        // A certificate the user now trusts lets the same upload run again.
        if (!RetrievalController::UserNowTrusts(siteManager_, result.failure.untrustedCertificate,
                                                result.failure.UntrustedHostKey(),
                                                result.failure.PassphraseWanted()))
            break;
        uploadSettings = currentSettings();
    }
    const QString reason = QString::fromStdString(UploadFailureText(result));
    switch (result.outcome) {
    case UploadOutcome::Uploaded:
        ShowInfo(QString::fromStdString(
                     result.renameRefused
                         ? Concat({texts::kRenameRefused, texts::kLineBreak, texts::kUploaded})
                         : std::string(texts::kUploaded)),
                 QText(texts::kConfirm));
        if (robots)
            tellSearchEngines(currentSettings(), *robots);
        break;
    case UploadOutcome::ShrinkRefused:
        break;
    case UploadOutcome::NoSitemap:
        ShowInfo(QText(texts::kNoSitemap), QText(texts::kConfirm));
        break;
    case UploadOutcome::LoginFailed:
        // A certificate or host key the user declined was explained in the question.
        if (!result.failure.untrustedCertificate && !result.failure.UntrustedHostKey())
            ShowPlainMessage(QText(Concat({texts::kConnectFailed, texts::kLineBreak})) + reason);
        break;
    case UploadOutcome::FolderRefused:
        // As any failure of a command: the application's standard error display.
        ShowStandardError(reason);
        break;
    case UploadOutcome::UnusableFile:
    case UploadOutcome::StoreFailed:
        ShowInfo(QText(Concat({texts::kUploadFailed, texts::kLineBreak})) + reason,
                 QText(texts::kConfirm));
        break;
    }
}
