// Telling search engines: the sitemap menu's "検索エンジンに通知する", and after an upload the
// robots.txt Sitemap: line offered and the IndexNow notification sent.
#include "app/window/Usite_wright.h"

#include <atomic>

#include <QAction>
#include <QMenu>

#include "app/widgets/message_dialogs.h"
#include "app/widgets/wait_dialog.h"
#include "core/text_util.h"
#include "core/texts.h"
#include "ftp/Uftp_module.h"
#include "jobs/search_engine_text.h"
#include "jobs/search_engines.h"
#include "settings/SiteSettings.h"

void TFsite_wright::Google2Click() {
    // The notification and a retrieval would share the one FTP client.
    if (retrievalRunning_) {
        ShowRetrievalRunning();
        return;
    }
    const SiteSettings settings = currentSettings();
    if (!settings.indexnow) {
        ShowInfo(QText(texts::kMenuNotifyDisabled), QText(texts::kConfirm));
        return;
    }
    notifySearchEngines(settings);
}

void TFsite_wright::notifySearchEngines(const SiteSettings& settings) {
    Tftp_module& ftp = ftpModule();
    std::atomic<bool> stop{false};
    NotifyResult result;
    ftp.ClearStop();
    RunWithStop(
        this, QText(texts::kMenuNotifyGoogle),
        [&] { result = NotifySearchEngines(ftp, settings, programFolder_, {}, &stop); },
        [&] {
            stop = true;
            ftp.Abort();
        });
    ShowInfo(QString::fromStdString(NotifyText(result)), QText(texts::kConfirm));
}

void TFsite_wright::tellSearchEngines(const SiteSettings& settings, const RobotsResult& found) {
    RobotsResult robots = found;
    // The exact line is shown before anything of the site's robots.txt is changed.
    if (robots.kind == RobotsKind::LineMissing || robots.kind == RobotsKind::NoFile) {
        const std::string question =
            Concat({RobotsText(robots), texts::kLineBreak, texts::kLineBreak,
                    Filled(texts::kRobotsAddQuestion, {{"line", robots.line}})});
        if (ShowConfirm(QString::fromStdString(question), QText(texts::kRobotsAddButton),
                        QText(texts::kCancel), kSecondButton) == kFirstButton) {
            Tftp_module& ftp = ftpModule();
            ftp.ClearStop();
            RunWithStop(
                this, QText(texts::kRobotsChecking),
                [&] { robots = CheckRobotsLine(ftp, settings, true); }, [&ftp] { ftp.Abort(); });
            // As with the sitemap: the user learns that the file was stored over, not renamed.
            const std::string told =
                robots.renameRefused
                    ? Concat({texts::kRenameRefused, texts::kLineBreak, RobotsText(robots)})
                    : RobotsText(robots);
            ShowInfo(QString::fromStdString(told), QText(texts::kConfirm));
        }
    } else if (robots.kind == RobotsKind::TooLarge || robots.kind == RobotsKind::Failed) {
        ShowInfo(QString::fromStdString(RobotsText(robots)), QText(texts::kConfirm));
    }
    if (settings.indexnow)
        notifySearchEngines(settings);
}
