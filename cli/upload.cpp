// sitewright upload, and the upload generate --upload ends with.
#include "cli/commands.h"
#include "core/file_io.h"
#include "core/text_util.h"
#include "ftp/Uftp_module.h"
#include "jobs/problem_text.h"
#include "jobs/search_engines.h"
#include "settings/SiteSettings.h"
#include "sitemap/sitemap_writer.h"
#include "sitemap/upload.h"

namespace fs = std::filesystem;

namespace cli {

int uploadSitemap(Tftp_module& ftp, const SiteSettings& settings, const fs::path& folder,
                  const ParsedOptions& options, const Output& output) {
    // Uploaded, a sitemap without a URL would empty the server's copy.
    if (SitemapHasNoUrl(folder)) {
        output.Json()["upload"] = "refused";
        return output.Fail(texts::kEmptySitemapRefused);
    }
    ftp.ClearStop();
    const bool allowShrink = options.has("allow-shrink");
    // The robots.txt check runs in the upload's own session: one login fewer.
    std::optional<RobotsResult> robots;
    const bool addLine = addsRobotsLine(options);
    const UploadResult result = UploadSitemap(
        ftp, settings, folder, [allowShrink](const ShrinkFinding&) { return allowShrink; },
        [&](SiteConnection& connection) {
            if (!settings.web_url.empty())
                robots = CheckRobotsLine(connection, settings, addLine);
        });
    output.Json()["upload"] = result.outcome == UploadOutcome::Uploaded        ? "uploaded"
                              : result.outcome == UploadOutcome::ShrinkRefused ? "refused"
                                                                               : "failed";
    switch (result.outcome) {
    case UploadOutcome::Uploaded:
        if (result.renameRefused)
            output.Warning(texts::kRenameRefused);
        output.Line(texts::kUploaded);
        tellSearchEngines(ftp, settings, folder, robots ? &*robots : nullptr, output);
        return kExitSuccess;
    case UploadOutcome::ShrinkRefused:
        return output.Fail(
            Concat({UploadFailureText(result), texts::kLineBreak, texts::kAllowShrinkHint}));
    case UploadOutcome::NoSitemap:
        return output.Fail(texts::kNoSitemap);
    case UploadOutcome::LoginFailed:
        offerTrust(result.failure.untrustedCertificate, result.failure.UntrustedHostKey(), output);
        return output.Fail(
            Concat({texts::kConnectFailed, texts::kLineBreak, UploadFailureText(result)}));
    case UploadOutcome::UnusableFile:
    case UploadOutcome::FolderRefused:
    case UploadOutcome::StoreFailed:
        break;
    }
    return output.Fail(
        Concat({texts::kUploadFailed, texts::kLineBreak, UploadFailureText(result)}));
}

int upload(const ParsedOptions& options, const Output& output) {
    addsRobotsLine(options); // a mistyped value is refused before anything is sent
    const fs::path folder = settingsFolder(options);
    if (!folderExists(folder, output))
        return kExitFailure;
    std::error_code error;
    if (!fs::exists(SitemapPath(folder), error))
        return output.Fail(texts::kNoSitemap);
    SiteSettings settings;
    if (!loadServerSettings(options, folder, settings, output))
        return kExitFailure;
    const FolderLock lock(folder);
    if (!lock.Held())
        return output.Fail(Filled(texts::kFolderBusy, {{"folder", folder.string()}}));
    Tftp_module ftp;
    return uploadSitemap(ftp, settings, folder, options, output);
}

} // namespace cli
