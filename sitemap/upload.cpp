#include "sitemap/upload.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <exception>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "core/file_io.h"
#include "core/text_util.h"
#include "core/texts.h"
#include "ftp/Uftp_module.h"
#include "ftp/ftp_errors.h"
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

// What a shrink check reads of the published sitemap.xml: a whole single document (50 MiB at
// most) with room to spare.
constexpr std::size_t kPublishedLimit = 64 * 1024 * 1024;

// Deletes the parts of the replaced set (published) that the new one (parts) does not name.
// A failure leaves them where no index names them, harmless.
void removeUnnamedParts(TIdFTP& client, const std::vector<std::string>& published,
                        const std::vector<std::string>& parts) {
    for (const std::string& name : published) {
        try {
            if (IsSitemapPartName(name) &&
                std::find(parts.begin(), parts.end(), name) == parts.end())
                client.DeleteFile(name);
        } catch (const std::exception&) {
        }
    }
}

} // namespace

bool StoreReplacing(TIdFTP& client, const std::string& localPath, const std::string& name) {
    const std::string temporary = Concat({name, kTemporaryMark, "upload"});
    client.StoreFile(localPath, temporary);
    try {
        client.RenameFile(temporary, name);
        return false;
    } catch (const EIdProtocolReplyError&) {
    }
    client.StoreFile(localPath, name);
    try {
        client.DeleteFile(temporary);
    } catch (const EIdProtocolReplyError&) {
    }
    return true;
}

std::string ShrinkText(const ShrinkFinding& finding) {
    return Filled(finding.incomplete ? texts::kShrinkIncomplete : texts::kShrinkFewer,
                  {{"published", std::to_string(finding.publishedUrls)},
                   {"new", std::to_string(finding.newUrls)}});
}

UploadResult UploadSitemap(Tftp_module& ftp, const SiteSettings& settings,
                           const std::filesystem::path& programFolder,
                           const ShrinkCheck& allowShrink) {
    const std::filesystem::path sitemap = SitemapPath(programFolder);
    std::error_code error;
    if (!std::filesystem::exists(sitemap, error))
        return {UploadOutcome::NoSitemap, {}, {}, {}, {}};
    if (std::string problem = localFileProblem(sitemap); !problem.empty())
        return {UploadOutcome::UnusableFile, {}, std::move(problem), {}, {}};
    SitemapFacts local;
    try {
        local = ReadSitemapFacts(ReadFile(sitemap));
    } catch (const FileError& failure) {
        return {UploadOutcome::UnusableFile, {}, failure.what(), {}, {}};
    }
    // A damaged index names no parts for certain.
    const std::vector<std::string> parts =
        local.wellFormed ? local.parts : std::vector<std::string>();
    // Every part the index names is checked before the first command: an index must never
    // reach the server without its parts.
    for (const std::string& part : parts) {
        const std::string problem = IsSitemapPartName(part)
                                        ? localFileProblem(programFolder / part)
                                        : Filled(texts::kNotARegularFile, {{"file", part}});
        if (!problem.empty())
            return {UploadOutcome::UnusableFile,
                    {},
                    Concat({Filled(texts::kPartNotUploadable, {{"file", EscapeControls(part)}}),
                            texts::kLineBreak, problem}),
                    {},
                    {}};
    }

    auto session = ftp.Lock();
    const Tftp_module::ScopedDisconnect disconnect(ftp);
    session->SetTls(TlsOptionsFor(settings.tls, settings.tls_trust, settings.hostname));
    if (ftp.FtpConnect(settings.hostname, settings.username, settings.password) != 0)
        return {UploadOutcome::LoginFailed, ftp.LastError(), {}, ftp.UntrustedCertificate(), {}};
    try {
        if (!settings.site_root.empty())
            session->ChangeFolder(settings.site_root);
    } catch (const std::exception& failure) {
        return {UploadOutcome::FolderRefused, FailureOf(failure), {}, {}, {}};
    } catch (...) {
        return {UploadOutcome::FolderRefused, {FtpFailureKind::Unknown}, {}, {}, {}};
    }
    UploadResult result;
    SitemapFacts published;
    try {
        if (const std::optional<std::string> bytes =
                session->RetrieveFile("sitemap.xml", kPublishedLimit))
            published = ReadSitemapFacts(*bytes);
        const ShrinkFinding finding{published.urls.value_or(0), local.urls.value_or(0),
                                    local.incomplete};
        const bool shrinks = published.urls && local.urls && *local.urls * 2 < *published.urls;
        if ((shrinks || finding.incomplete) && !(allowShrink && allowShrink(finding)))
            return {UploadOutcome::ShrinkRefused, {}, ShrinkText(finding), {}, {}};
        // A part the published index names is whole on the server (the index went last) and
        // is live: it is never stored over.
        for (const std::string& part : parts) {
            if (std::find(published.parts.begin(), published.parts.end(), part) ==
                published.parts.end())
                session->StoreFile((programFolder / part).string(), part);
        }
        if (StoreReplacing(session.Client(), sitemap.string(), "sitemap.xml"))
            result.notice = texts::kRenameRefused;
    } catch (const std::exception& failure) {
        return {UploadOutcome::StoreFailed, FailureOf(failure), {}, {}, {}};
    } catch (...) {
        return {UploadOutcome::StoreFailed, {FtpFailureKind::Unknown}, {}, {}, {}};
    }
    removeUnnamedParts(session.Client(), published.parts, parts);
    return result;
}
