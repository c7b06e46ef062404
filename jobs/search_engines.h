#pragma once

#include <atomic>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "notify/indexnow.h"
#include "notify/key_check.h"
#include "sitemap/site_session.h"

class Tftp_module;
struct SiteSettings;

// Telling search engines about the site after an upload: the `Sitemap:` line of the site root's
// robots.txt, which every major crawler reads, and IndexNow, which the taking part engines share.
// Each call is one session with the site's server (and, for IndexNow, HTTP exchanges) on the
// calling thread, a worker's; none throws.

// The address of the uploaded sitemap: sitemap.xml (the index, when split) under the site URL.
QUrl SitemapAddress(const SiteSettings& settings);

enum class RobotsKind {
    HasLine,     // robots.txt names the sitemap already
    LineMissing, // it exists without the line
    NoFile,      // there is no robots.txt
    TooLarge,    // beyond what crawlers read: not changed, as a cut file would lose its end
    Added,       // the line was added (the file made when there was none)
    Failed,      // login, folder or transfer failed: failure says why
};

struct RobotsResult {
    RobotsKind kind = RobotsKind::Failed;
    std::string line; // the line as added, without a line end
    ServerFailure failure;
    bool renameRefused = false; // Added, but stored over the old file directly
};

// Reads the site root's robots.txt over FTP or SFTP, as the walk does, and says whether it names
// the sitemap. With add, a file without the line gets it: every other byte kept, created when
// missing, stored under a temporary name and renamed over the old one.
RobotsResult CheckRobotsLine(Tftp_module& ftp, const SiteSettings& settings, bool add);
// The same in a session already in the site root (the upload's, once it is done).
RobotsResult CheckRobotsLine(SiteConnection& connection, const SiteSettings& settings, bool add);

// The key kept, or a new one from the cryptographic random source when there is none; nothing
// when that source fails. Called when IndexNow is turned on.
std::optional<std::string> KeptOrNewIndexNowKey(const std::string& key);

enum class NotifyKind {
    Off,             // IndexNow is off in the settings, or it has no usable key
    NoSitemap,       // the local sitemap is missing or cannot be read
    MemoryOff,       // the site memory cannot be used: what was told could not be kept
    KeyUploadFailed, // the key file could not be stored on the server: failure says why
    KeyNotServed,    // the site does not serve the key file: keyCheck says how
    SetUp,           // the first notification: key file verified, pages kept, nothing sent
    NothingChanged,  // nothing to send
    Sent,            // every address received
    Refused,         // a batch was not received: batches.back() says why
};

struct NotifyResult {
    NotifyKind kind = NotifyKind::Off;
    ServerFailure failure;
    KeyCheck keyCheck;
    std::string keyLocation;          // where the key file is read from
    std::vector<BatchResult> batches; // as sent, in order
    int changed = 0;                  // addresses that changed since the last notification
    int received = 0;                 // of those, the ones the endpoint received
};

// Sends the addresses added, changed (lastmod moved) or removed since the last notification,
// comparing the program folder's sitemap with the site memory's record. The first notification
// of a site (or of a new key) uploads the key file to the site root, reads it back over HTTP(S)
// and keeps the pages as told, sending nothing: the sitemap tells the rest. Only what the
// endpoint received is kept as told, so the rest goes next time. options.endpoint is replaced by
// the settings' endpoint when they name one.
NotifyResult NotifySearchEngines(Tftp_module& ftp, const SiteSettings& settings,
                                 const std::filesystem::path& programFolder,
                                 IndexNowOptions options, const std::atomic<bool>* stop);
