#include "sitemap/upload.h"

#include "ftp/Uftp_module.h"
#include "settings/SiteSettings.h"
#include "sitemap/sitemap_writer.h"

UploadResult UploadSitemap(Tftp_module& ftp, const SiteSettings& settings,
                           const std::filesystem::path& programFolder) {
    const std::filesystem::path sitemap = SitemapPath(programFolder);
    std::error_code error;
    if (!std::filesystem::exists(sitemap, error))
        return {UploadOutcome::NoSitemap, {}};

    auto session = ftp.Lock();
    if (ftp.FtpConnect(settings.hostname, settings.username, settings.password) != 0)
        return {UploadOutcome::LoginFailed, ftp.LastError()};
    session->ChangeFolder(settings.site_root);
    const bool failed = ftp.FtpUpload(sitemap.string(), "sitemap.xml");
    const std::string reason = failed ? ftp.LastError() : std::string();
    ftp.FtpDisconnect();
    if (failed)
        return {UploadOutcome::StoreFailed, reason};
    return {UploadOutcome::Uploaded, {}};
}
