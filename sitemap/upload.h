#pragma once

#include <filesystem>
#include <optional>
#include <string>

#include "ftp/tls_channel.h"

class Tftp_module;
struct SiteSettings;

// How an upload of the program folder's sitemap.xml ended.
enum class UploadOutcome {
    Uploaded,      // stored as "sitemap.xml" in the site root folder
    NoSitemap,     // there is no local sitemap.xml; nothing was sent
    UnusableFile,  // the local sitemap.xml is no regular file or cannot be read; nothing was sent
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

// Checks the local sitemap.xml (a readable regular file) before any command, then logs in
// with the settings' account, changes to the site root folder (none for an empty site root:
// the file goes into the folder the login leaves the session in), stores sitemap.xml there
// and disconnects, whatever happened. Holds the FTP session throughout so that no other
// conversation interleaves. Never throws: every failure is in the result.
UploadResult UploadSitemap(Tftp_module& ftp, const SiteSettings& settings,
                           const std::filesystem::path& programFolder);
