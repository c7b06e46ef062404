#pragma once

#include <filesystem>
#include <optional>
#include <string>

#include "ftp/tls_channel.h"

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
};

struct UploadResult {
    UploadOutcome outcome = UploadOutcome::Uploaded;
    // Why it failed, fit to show: the server's reply, the socket's error or the local file's
    // error. Empty for Uploaded and NoSitemap.
    std::string reason;
    // The certificate that stopped the login because it could not be verified (LoginFailed).
    std::optional<CertificateInfo> untrustedCertificate;
};

// Checks the local sitemap.xml and, when it is an index, every part it names (readable
// regular files named as parts are) before any command, then logs in with the settings'
// account, changes to the site root folder (none for an empty site root: the files go into
// the folder the login leaves the session in), stores the parts in the index's order and
// sitemap.xml last, stopping at the first that fails, and disconnects, whatever happened. Holds the
// FTP session throughout so that no other conversation interleaves. Never throws: every failure is
// in the result.
UploadResult UploadSitemap(Tftp_module& ftp, const SiteSettings& settings,
                           const std::filesystem::path& programFolder);
