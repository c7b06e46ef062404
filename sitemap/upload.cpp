#include "sitemap/upload.h"

#include <cerrno>
#include <cstring>
#include <exception>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "core/text_util.h"
#include "core/texts.h"
#include "ftp/Uftp_module.h"
#include "ftp/tls_setting.h"
#include "settings/SiteSettings.h"
#include "sitemap/sitemap_writer.h"

namespace {

// Why the local file cannot be uploaded, or empty when it can: a folder in its place would
// store an empty file on the server, a FIFO would hang the transfer.
std::string localFileProblem(const std::filesystem::path& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return Concat({Filled(texts::kCannotOpen, {{"file", path.string()}}), texts::kLineBreak,
                       std::strerror(errno)});
    struct stat info {};
    const bool regular = ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode);
    ::close(fd);
    if (!regular)
        return Filled(texts::kNotARegularFile, {{"file", path.string()}});
    return {};
}

} // namespace

UploadResult UploadSitemap(Tftp_module& ftp, const SiteSettings& settings,
                           const std::filesystem::path& programFolder) {
    const std::filesystem::path sitemap = SitemapPath(programFolder);
    std::error_code error;
    if (!std::filesystem::exists(sitemap, error))
        return {UploadOutcome::NoSitemap, {}, {}};
    if (std::string problem = localFileProblem(sitemap); !problem.empty())
        return {UploadOutcome::UnusableFile, std::move(problem), {}};
    // Every part the index names is checked before the first command: an index must never
    // reach the server without its parts.
    const std::vector<std::string> parts = IndexedParts(programFolder);
    for (const std::string& part : parts) {
        const std::string problem = IsSitemapPartName(part)
                                        ? localFileProblem(programFolder / part)
                                        : Filled(texts::kNotARegularFile, {{"file", part}});
        if (!problem.empty())
            return {UploadOutcome::UnusableFile,
                    Concat({Filled(texts::kPartNotUploadable, {{"file", EscapeControls(part)}}),
                            texts::kLineBreak, problem}),
                    {}};
    }

    auto session = ftp.Lock();
    const Tftp_module::ScopedDisconnect disconnect(ftp);
    session->SetTls(TlsOptionsFor(settings.tls, settings.tls_trust, settings.hostname));
    if (ftp.FtpConnect(settings.hostname, settings.username, settings.password) != 0)
        return {UploadOutcome::LoginFailed, ftp.LastError(), ftp.UntrustedCertificate()};
    try {
        if (!settings.site_root.empty())
            session->ChangeFolder(settings.site_root);
    } catch (const std::exception& failure) {
        return {UploadOutcome::FolderRefused, failure.what(), {}};
    } catch (...) {
        return {UploadOutcome::FolderRefused, std::string(texts::kUnknownError), {}};
    }
    // The parts first and the index last, so that a search engine never reads an index that
    // names a missing file: a part that fails leaves the server's earlier index in place.
    for (const std::string& part : parts) {
        if (ftp.FtpUpload((programFolder / part).string(), part))
            return {UploadOutcome::StoreFailed, ftp.LastError(), {}};
    }
    if (ftp.FtpUpload(sitemap.string(), "sitemap.xml"))
        return {UploadOutcome::StoreFailed, ftp.LastError(), {}};
    return {UploadOutcome::Uploaded, {}, {}};
}
