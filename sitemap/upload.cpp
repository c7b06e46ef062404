#include "sitemap/upload.h"

#include <algorithm>
#include <exception>

#include "core/file_io.h"
#include "core/text_util.h"
#include "ftp/Uftp_module.h"
#include "ftp/ftp_errors.h"
#include "ftp/tls_setting.h"
#include "settings/SiteSettings.h"
#include "sitemap/sitemap_writer.h"

namespace {

// The result of a file that cannot be uploaded (part: empty for sitemap.xml itself).
UploadResult unusable(std::string part, std::string problem) {
    UploadResult result;
    result.outcome = UploadOutcome::UnusableFile;
    result.part = std::move(part);
    result.fileProblem = std::move(problem);
    return result;
}

// Why the local file cannot be uploaded, or empty when it can: a folder in its place would
// store an empty file on the server, a FIFO would hang the transfer.
std::string localFileProblem(const std::filesystem::path& path) {
    try {
        CheckRegularFile(path);
    } catch (const FileError& failure) {
        return failure.what();
    }
    return {};
}

// A result of the server's part of the upload.
UploadResult failed(UploadOutcome outcome, FtpFailure failure) {
    UploadResult result;
    result.outcome = outcome;
    result.failure = std::move(failure);
    return result;
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

UploadResult UploadSitemap(Tftp_module& ftp, const SiteSettings& settings,
                           const std::filesystem::path& programFolder,
                           const ShrinkCheck& allowShrink) {
    const std::filesystem::path sitemap = SitemapPath(programFolder);
    std::error_code error;
    if (!std::filesystem::exists(sitemap, error))
        return failed(UploadOutcome::NoSitemap, {});
    SitemapFacts local;
    try {
        local = ReadSitemapFacts(ReadFile(sitemap));
    } catch (const FileError& failure) {
        return unusable({}, failure.what());
    }
    // A damaged index names no parts for certain.
    const std::vector<std::string> parts =
        local.wellFormed ? local.parts : std::vector<std::string>();
    // Every part the index names is checked before the first command: an index must never
    // reach the server without its parts.
    for (const std::string& part : parts) {
        if (!IsSitemapPartName(part))
            return unusable(part, {});
        if (std::string problem = localFileProblem(programFolder / part); !problem.empty())
            return unusable(part, std::move(problem));
    }

    auto session = ftp.Lock();
    const Tftp_module::ScopedDisconnect disconnect(ftp);
    session->SetTls(TlsOptionsFor(settings.tls, settings.tls_trust, settings.hostname));
    if (ftp.FtpConnect(settings.hostname, settings.username, settings.password) != 0) {
        UploadResult result = failed(UploadOutcome::LoginFailed, ftp.LastError());
        result.untrustedCertificate = ftp.UntrustedCertificate();
        return result;
    }
    try {
        if (!settings.site_root.empty())
            session->ChangeFolder(settings.site_root);
    } catch (const std::exception& failure) {
        return failed(UploadOutcome::FolderRefused, FailureOf(failure));
    } catch (...) {
        return failed(UploadOutcome::FolderRefused, {FtpFailureKind::Unknown});
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
        if ((shrinks || finding.incomplete) && !(allowShrink && allowShrink(finding))) {
            result.outcome = UploadOutcome::ShrinkRefused;
            result.shrink = finding;
            return result;
        }
        // A part the published index names is whole on the server (the index went last) and
        // is live: it is never stored over.
        for (const std::string& part : parts) {
            if (std::find(published.parts.begin(), published.parts.end(), part) ==
                published.parts.end())
                session->StoreFile((programFolder / part).string(), part);
        }
        const std::string temporary = Concat({"sitemap.xml", kTemporaryMark, "upload"});
        session->StoreFile(sitemap.string(), temporary);
        try {
            session->RenameFile(temporary, "sitemap.xml");
        } catch (const EIdProtocolReplyError&) {
            session->StoreFile(sitemap.string(), "sitemap.xml");
            result.renameRefused = true;
            try {
                session->DeleteFile(temporary);
            } catch (const EIdProtocolReplyError&) {
            }
        }
    } catch (const std::exception& failure) {
        return failed(UploadOutcome::StoreFailed, FailureOf(failure));
    } catch (...) {
        return failed(UploadOutcome::StoreFailed, {FtpFailureKind::Unknown});
    }
    removeUnnamedParts(session.Client(), published.parts, parts);
    return result;
}
