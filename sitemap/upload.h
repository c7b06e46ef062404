#pragma once

#include <cstddef>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>

#include "sitemap/site_session.h"

class Tftp_module;
struct SiteSettings;

// How an upload of the program folder's sitemap.xml ended.
enum class UploadOutcome {
    Uploaded,      // stored as "sitemap.xml" (after its parts) in the site root folder
    NoSitemap,     // there is no local sitemap.xml; nothing was sent
    UnusableFile,  // the local sitemap.xml or a part it names is no regular file or cannot be
                   // read (or a part's name is none); nothing was sent
    LoginFailed,   // connecting or logging in failed; no further command was sent
    FolderRefused, // the site root folder could not be entered; the file was not sent
    StoreFailed,   // the server did not take the file, or the connection broke
    ShrinkRefused, // the shrink check said no; nothing was stored
};

// Why a set about to be published may be a wrong one: it lists fewer than half the URLs of
// the one on the server, or it comes from a stopped or failed retrieval.
struct ShrinkFinding {
    std::size_t publishedUrls = 0;
    std::size_t newUrls = 0;
    bool incomplete = false;
};

struct UploadResult {
    UploadOutcome outcome = UploadOutcome::Uploaded;
    // What the server's session reported (LoginFailed, FolderRefused, StoreFailed), with the
    // certificate or host key the user may choose to trust after a failed login.
    ServerFailure failure;
    // Of UnusableFile: the part of the index at fault (empty: sitemap.xml itself), and the
    // file's error as the file layer words it (empty: the index names no valid part name).
    std::string part;
    std::string fileProblem;
    // Of ShrinkRefused: what the check found.
    ShrinkFinding shrink;
    // Uploaded, but not as planned: the server refused to rename the new sitemap.xml over the
    // old one, so it was stored over it directly.
    bool renameRefused = false;
};
// Says whether to publish anyway; called on the upload's thread with the session open.
using ShrinkCheck = std::function<bool(const ShrinkFinding&)>;
// Work for the same session once the set is uploaded, in the site root: what would otherwise
// log in again. Whatever it meets it keeps to itself; it must not throw.
using AfterUpload = std::function<void(SiteConnection&)>;

// Checks the local sitemap.xml and, when it is an index, every part it names (readable
// regular files named as parts are) before any command, then logs in with the settings'
// account and changes to the site root folder (none for an empty site root: the files go into
// the folder the login leaves the session in). There it reads the published sitemap.xml (at
// most 64 MiB; a missing one is fine) and, when the new set shrinks it or is incomplete, stores
// nothing unless allowShrink says yes. The set is then replaced as a whole: the parts the
// published index does not already name first, each under its own name, then sitemap.xml
// under a temporary name, renamed over the old one (or stored directly where the server will not
// rename over a file, which renameRefused says); only then the parts the old sitemap.xml named and
// the new one does not are deleted. A failure at any step leaves the published
// sitemap.xml and every part it names intact. Holds the FTP session throughout and disconnects,
// whatever happened. Never throws: every failure is in the result. Over SFTP, when the settings
// say so, the same steps run in an SFTP session of its own and ftp is left alone. After a
// successful upload, after runs in the same session.
UploadResult UploadSitemap(Tftp_module& ftp, const SiteSettings& settings,
                           const std::filesystem::path& programFolder,
                           const ShrinkCheck& allowShrink = {}, const AfterUpload& after = {});
