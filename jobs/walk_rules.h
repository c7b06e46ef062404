#pragma once

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <unordered_set>
#include <utility>
#include <vector>

#include "core/date_time.h"
#include "jobs/path_filter.h"
#include "jobs/retrieval.h"
#include "jobs/walk_names.h"
#include "settings/SiteSettings.h"
#include "sitemap/site_connection.h"

class EIdProtocolReplyError;

// The pieces every walk of the server's folders shares; RunRetrieval picks the walk.

// Search engines read no more of a robots.txt than this.
inline constexpr std::size_t kMaxRobotsBytes = 512 * 1024;

// Raised at the walk's next command once the user has asked it to stop.
struct WalkStopped {};

// What ends the walk before its end besides the server's failures; what() is the reason shown.
class WalkError final : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// One folder of the walk, as sent to the server and as shown.
struct Folder {
    std::string path;      // the server's bytes, as sent in CWD
    std::string shownPath; // path with names as text, for status texts and messages
    std::string urlPath;   // below the site root, "" or "/a/b", as it goes into rows
    std::string url;       // the web site URL, urlPath and "/": field 1 of its rows
    std::size_t depth = 0; // levels below the site root
    // The server's identity (MLSD "unique") of this folder and of those above it, where known.
    std::vector<std::string> uniques;
};

// A refusal that says the folder is not there (or not to be entered): 550. Any other says
// nothing about the folder: a 4xx asks to try again later.
bool MeansMissing(const EIdProtocolReplyError& refusal);

// What the walk keeps of a listing entry while it goes through the folder; the listing's lines
// stay behind, so a folder of a million entries is held once, not twice.
using WalkEntry = SiteEntry;

// Tells a listing from another without keeping its lines (FNV-1a over the lines, each ended
// by a line break, which no line holds). Two listings that differ and still match would only
// make the walk read the earlier one's entries, as though the folder had not changed.
std::uint64_t ListingDigest(const std::vector<std::string>& lines);

// Why the settings cannot make rows, or empty when they can: the site URL, the offset and the
// defaults go into every row, and a ";" in one of them would shift the fields of all.
std::string_view RowSettingsProblem(const SiteSettings& settings);

// What the walk leaves out, counted into the summary: asked before a subfolder is listed and
// before a file becomes a row, with its path below the site root ("/a/b/" for a folder).
class WalkFilter final {
public:
    // checkpoint is passed before every rule tried and may throw to end the walk.
    WalkFilter(const SiteSettings& settings, RetrievalSummary& summary, RuleCheckpoint checkpoint);

    void SetRobots(std::string_view robotsTxt) { robots_ = RobotsRules(robotsTxt); }

    bool KeepsFolder(const std::string& path);
    // KeepsFolder without counting, for a walk that lists folders ahead of time on threads of
    // its own, each with its own checkpoint.
    bool MayListFolder(const std::string& path, const RuleCheckpoint& checkpoint) const;
    bool KeepsFile(const std::string& path);

private:
    bool keeps(bool excluded, bool robotsAllow);

    const ExclusionList exclusions_;
    RobotsRules robots_;
    RetrievalSummary& summary_;
    const RuleCheckpoint checkpoint_;
};

// What every walk shares: the bounds, the rows, the counts, and the rules of which entries are
// entered and which become rows, applied in the order of the depth-first walk.
class WalkRules {
public:
    WalkRules(const SiteSettings& settings, const RetrievalLimits& limits,
              RetrievalObserver& observer, RetrievalSummary& summary);
    virtual ~WalkRules() = default;
    WalkRules(const WalkRules&) = delete;
    WalkRules& operator=(const WalkRules&) = delete;

    // Walks the site root; without one, the folder the login leaves the client in.
    virtual void Run() = 0;

    // Throws WalkStopped when the user has asked the run to stop.
    void CheckStop() const;

    std::vector<std::string> TakeRows() { return std::move(foundRows_); }

    // Says what the walk left out or listed otherwise than the server offered: folders too deep
    // to enter and folders met inside themselves (naming the first), folders listed with LIST
    // after MLSD was refused. Nothing when none.
    void ReportAtEnd();

protected:
    // The site root; without one, the folder the login leaves the client in.
    Folder rootFolder(SiteConnection& connection);
    // Shows which folder is next and ends the walk once it has tried as many as it may.
    void beginFolder(const Folder& folder);
    // denied: the server said the user may not read it, rather than that it is not there.
    void folderRefused(const Folder& folder, bool denied = false);
    // Counts how a folder's first listing came.
    void folderListed(bool exactTimes);
    void folderEntered(const Folder& folder);
    void folderUnreadable(const Folder& folder, const std::string& reason);

    // True when the server names the subfolder entry of folder as folder itself or one above
    // it: entering would walk that one again, down to the depth bound.
    static bool insideItself(const Folder& folder, const WalkEntry& entry);
    // The subfolder entry of folder as a folder to walk, whatever was walked before.
    Folder subfolder(const Folder& folder, const WalkEntry& entry) const;
    // True when the subfolder entry of folder is to be walked now: not walked before in this
    // run, not inside itself by the server's identity and not too deep (both counted, and the
    // first one kept to be named). Folders that merely share an identity are walked each:
    // some servers give every folder the same one.
    bool claimSubfolder(const Folder& folder, const WalkEntry& entry);
    void takeFile(const Folder& folder, const WalkEntry& entry);

    const SiteSettings& settings_;
    const RetrievalLimits limits_;
    RetrievalObserver& observer_;
    RetrievalSummary& summary_;
    WalkFilter filter_;

private:
    // The site root's robots.txt; a site without one leaves nothing out.
    void readRobots(SiteConnection& connection, const std::string& rootPath);
    // The site root's .htaccess, for the page check.
    void readHtaccess(SiteConnection& connection, const std::string& rootPath);
    // The path below the site root of folder's subfolder name, as rows write it ("/a/b").
    static std::string subfolderUrlPath(const Folder& folder, const std::string& name);

    const ExtensionList extensions_;
    const std::string timeZoneOffset_;
    const int offsetMinutes_;
    const std::string siteUrl_; // the site URL without "/" at its end
    std::unordered_set<std::string> walked_;
    std::string firstTooDeep_;  // shown path of the first folder left out for its depth
    std::string firstRepeated_; // shown path of the first folder met inside itself
    std::vector<std::string> foundRows_;
};
