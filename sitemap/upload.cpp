#include "sitemap/upload.h"

#include <algorithm>
#include <exception>

#include "core/file_io.h"
#include "core/text_util.h"
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
UploadResult failed(UploadOutcome outcome, ServerFailure failure) {
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
void removeUnnamedParts(SiteConnection& connection, const std::vector<std::string>& published,
                        const std::vector<std::string>& parts) {
    for (const std::string& name : published) {
        try {
            if (IsSitemapPartName(name) &&
                std::find(parts.begin(), parts.end(), name) == parts.end())
                connection.Remove(name);
        } catch (const std::exception&) {
        }
    }
}

// The steps after the login: the site root, the shrink check, the parts, sitemap.xml, and the
// parts no longer named.
UploadResult publish(SiteConnection& connection, const SiteSettings& settings,
                     const std::filesystem::path& programFolder, const SitemapFacts& local,
                     const ShrinkCheck& allowShrink) {
    const std::filesystem::path sitemap = SitemapPath(programFolder);
    const std::vector<std::string> parts =
        local.wellFormed ? local.parts : std::vector<std::string>();
    try {
        if (!settings.site_root.empty())
            connection.EnterFolder(settings.site_root);
    } catch (const std::exception& failure) {
        return failed(UploadOutcome::FolderRefused, ServerFailureOf(failure));
    } catch (...) {
        return failed(UploadOutcome::FolderRefused, UnknownServerFailure());
    }
    UploadResult result;
    SitemapFacts published;
    try {
        if (const std::optional<std::string> bytes =
                connection.ReadFile("sitemap.xml", kPublishedLimit))
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
                connection.Store((programFolder / part).string(), part);
        }
        result.renameRefused = !connection.Replace(sitemap.string(), "sitemap.xml");
    } catch (const std::exception& failure) {
        return failed(UploadOutcome::StoreFailed, ServerFailureOf(failure));
    } catch (...) {
        return failed(UploadOutcome::StoreFailed, UnknownServerFailure());
    }
    removeUnnamedParts(connection, published.parts, parts);
    return result;
}

} // namespace

UploadResult UploadSitemap(Tftp_module& ftp, const SiteSettings& settings,
                           const std::filesystem::path& programFolder,
                           const ShrinkCheck& allowShrink, const AfterUpload& after) {
    const std::filesystem::path sitemap = SitemapPath(programFolder);
    std::error_code error;
    if (!std::filesystem::exists(sitemap, error))
        return failed(UploadOutcome::NoSitemap, ServerFailure());
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

    SiteSession session(ftp, settings);
    if (std::optional<ServerFailure> failure = session.Open())
        return failed(UploadOutcome::LoginFailed, std::move(*failure));
    UploadResult result =
        publish(session.Connection(), settings, programFolder, local, allowShrink);
    if (result.outcome == UploadOutcome::Uploaded && after)
        after(session.Connection());
    return result;
}
