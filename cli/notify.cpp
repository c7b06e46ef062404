// sitewright notify, and what an upload tells search engines afterwards: the robots.txt
// Sitemap: line (a hint, or added with --robots-sitemap-line add) and IndexNow when it is on.
#include "cli/commands.h"
#include "cli/interrupt.h"
#include "core/file_io.h"
#include "core/text_util.h"
#include "ftp/Uftp_module.h"
#include "jobs/search_engine_text.h"
#include "jobs/search_engines.h"
#include "settings/SiteSettings.h"

namespace fs = std::filesystem;

namespace cli {
namespace {

// The JSON values of the kinds, in their order.
const char* const kRobotsKeys[] = {"has_line",  "missing", "no_file",
                                   "too_large", "added",   "failed"};
const char* const kNotifyKeys[] = {"off",
                                   "no_sitemap",
                                   "memory_off",
                                   "key_upload_failed",
                                   "key_not_served",
                                   "set_up",
                                   "nothing_changed",
                                   "sent",
                                   "refused"};

bool notifyFailed(NotifyKind kind) {
    return kind != NotifyKind::SetUp && kind != NotifyKind::NothingChanged &&
           kind != NotifyKind::Sent;
}

// Runs the notification and reports it; false when it failed.
bool reportNotification(Tftp_module& ftp, const SiteSettings& settings, const fs::path& folder,
                        const Output& output) {
    ftp.ClearStop();
    // Ctrl-C cuts short an HTTP exchange or a wait before a retry, where a handler is set.
    const NotifyResult result =
        NotifySearchEngines(ftp, settings, folder, {}, &StopOnInterrupt::Requested());
    output.Json()["indexnow"] = kNotifyKeys[int(result.kind)];
    output.Json()["indexnow_sent"] = result.received;
    if (notifyFailed(result.kind)) {
        output.Warning(NotifyText(result));
        return false;
    }
    output.Line(NotifyText(result));
    return true;
}

// Tells what the robots.txt check found.
void reportRobots(const RobotsResult& robots, const Output& output) {
    output.Json()["robots"] = kRobotsKeys[int(robots.kind)];
    switch (robots.kind) {
    case RobotsKind::HasLine:
        break;
    case RobotsKind::LineMissing:
    case RobotsKind::NoFile:
        output.Line(RobotsText(robots));
        output.Line(texts::kRobotsAddHint);
        break;
    case RobotsKind::Added:
        if (robots.renameRefused)
            output.Warning(texts::kRenameRefused);
        output.Line(RobotsText(robots));
        break;
    case RobotsKind::TooLarge:
    case RobotsKind::Failed:
        output.Warning(RobotsText(robots));
        break;
    }
}

} // namespace

bool addsRobotsLine(const ParsedOptions& options) {
    if (!options.has("robots-sitemap-line"))
        return false;
    if (options.value("robots-sitemap-line") != "add")
        throw UsageError(
            Filled(texts::kItemsOnly, {{"option", "robots-sitemap-line"}, {"items", "add"}}));
    return true;
}

void tellSearchEngines(Tftp_module& ftp, const SiteSettings& settings, const fs::path& folder,
                       const RobotsResult* robots, const Output& output) {
    // Without the site's address there is no sitemap address to name.
    if (settings.web_url.empty())
        return;
    if (robots != nullptr)
        reportRobots(*robots, output);
    if (settings.indexnow)
        reportNotification(ftp, settings, folder, output);
}

int notify(const ParsedOptions& options, const Output& output) {
    const fs::path folder = settingsFolder(options);
    if (!folderExists(folder, output))
        return kExitFailure;
    SiteSettings settings;
    if (!loadServerSettings(options, folder, settings, output))
        return kExitFailure;
    if (!settings.indexnow)
        return output.Fail(texts::kIndexNowOff);
    const FolderLock lock(folder);
    if (!lock.Held())
        return output.Fail(Filled(texts::kFolderBusy, {{"folder", folder.string()}}));
    Tftp_module ftp;
    const StopOnInterrupt interrupt(ftp);
    return reportNotification(ftp, settings, folder, output) ? kExitSuccess : kExitFailure;
}

} // namespace cli
