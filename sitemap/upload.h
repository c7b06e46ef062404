#pragma once

#include <filesystem>
#include <string>

class Tftp_module;
struct SiteSettings;

// How an upload of the program folder's sitemap.xml ended.
enum class UploadOutcome {
    Uploaded,    // stored as "sitemap.xml" in the site root folder
    NoSitemap,   // there is no local sitemap.xml; nothing was sent
    LoginFailed, // connecting or logging in failed; no further command was sent
    StoreFailed, // the server did not take the file
};

struct UploadResult {
    UploadOutcome outcome = UploadOutcome::Uploaded;
    std::string reason; // the server's reply or the socket's or file's error, when it failed
};

// Logs in with the settings' account, changes to the site root folder, stores sitemap.xml
// there and disconnects, holding the FTP session throughout so that no other conversation
// interleaves. A site root the server refuses raises the client's error (EIdException) and
// leaves the session connected.
UploadResult UploadSitemap(Tftp_module& ftp, const SiteSettings& settings,
                           const std::filesystem::path& programFolder);
