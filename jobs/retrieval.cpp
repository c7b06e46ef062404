#include "jobs/retrieval.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <exception>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string_view>
#include <thread>
#include <unordered_map>
#include <unordered_set>
#include <utility>

#include "jobs/path_filter.h"
#include "jobs/problem_text.h"
#include "core/text_util.h"
#include "core/texts.h"
#include "core/url_entry.h"
#include "ftp/Uftp_module.h"
#include "ftp/ftp_errors.h"
#include "ftp/server_name.h"
#include "ftp/tls_setting.h"
#include "settings/SiteSettings.h"

namespace {

using texts::kLineBreak;

// Links on the server can present a folder inside itself; no site is deeper than this.
constexpr std::size_t kMaxDepth = 64;
// File systems name a file with 255 characters at most (765 bytes in UTF-8). A longer name
// comes from a damaged listing line; taken, it would send a command servers refuse, put a URL
// no search engine reads into the sitemap, and give the window a text it takes seconds to lay
// out.
constexpr std::size_t kMaxNameBytes = 1024;

// Search engines read no more of a robots.txt than this.
constexpr std::size_t kMaxRobotsBytes = 512 * 1024;

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

// A line break or NUL inside an argument would break the command line it is sent in.
bool breaksCommandLine(const std::string& text) {
    return text.find_first_of(std::string_view("\r\n\0", 3)) != std::string::npos;
}

// "." or ".." as a path step, also as servers on Windows read it: blanks and dots at the end of
// a step are dropped there, so ".. " and "..." name the parent too.
bool isDotStep(std::string_view step) {
    return !step.empty() && step.find_first_not_of(". ") == std::string_view::npos;
}

// A name that may go back to the server inside a command and names a folder inside the one being
// walked: no line break, no "/", and no step that climbs out, also where "\\" separates steps
// (servers on Windows). Entries with other names are skipped.
bool isSafeName(const std::string& name) {
    if (breaksCommandLine(name) || name.find('/') != std::string::npos)
        return false;
    std::string_view rest = name;
    for (;;) {
        const std::size_t backslash = rest.find('\\');
        if (isDotStep(rest.substr(0, backslash)))
            return false;
        if (backslash == std::string_view::npos)
            return true;
        rest.remove_prefix(backslash + 1);
    }
}

// A refusal that says the folder is not there (or not to be entered): 550. Any other says
// nothing about the folder: a 4xx asks to try again later.
bool meansMissing(const EIdProtocolReplyError& refusal) {
    return refusal.ReplyCode() == 550;
}

// What the walk keeps of a listing entry while it goes through the folder; the listing's lines
// stay behind, so a folder of a million entries is held once, not twice.
struct WalkEntry {
    std::string name; // the server's bytes
    DateTime modified;
    bool utc = false; // modified is UTC (MLSD), not the server's own clock
    bool folder = false;
    std::string unique; // MLSD's "unique" fact, or empty
};

std::vector<WalkEntry> walkEntries(const TIdFTPListItems& listing) {
    std::vector<WalkEntry> entries;
    entries.reserve(listing.size());
    for (const TIdFTPListItem& item : listing)
        entries.push_back(
            {item.name, item.modified, item.utc, item.kind == ListItemKind::Folder, item.unique});
    return entries;
}

// Tells a listing from another without keeping its lines (FNV-1a over the lines, each ended
// by a line break, which no line holds). Two listings that differ and still match would only
// make the walk read the earlier one's entries, as though the folder had not changed.
std::uint64_t listingDigest(const std::vector<std::string>& lines) {
    std::uint64_t digest = 0xcbf29ce484222325u;
    auto add = [&digest](unsigned char byte) {
        digest ^= byte;
        digest *= 0x100000001b3u;
    };
    for (const std::string& line : lines) {
        for (const char c : line)
            add(static_cast<unsigned char>(c));
        add('\n');
    }
    return digest;
}

// The site URL as the start of every address: typed with a "/" at its end, it would give "//"
// in each.
std::string withoutTrailingSlashes(std::string url) {
    while (!url.empty() && url.back() == '/')
        url.pop_back();
    return url;
}

std::string joinPath(const std::string& folder, const std::string& name) {
    if (!folder.empty() && folder.back() == '/')
        return folder + name;
    return folder + '/' + name;
}

// A name as shown to the user: a control character from the server could drive a terminal or
// garble a label, so it shows as "%XX".
std::string shownText(const std::string& name) {
    return PercentEncodeUnsafe(name);
}

// A name as it goes into a row: a ";" would split the row's fields, and a control character or
// a character XML forbids has no place in a URL or in the sitemap; "%XX" names the same
// resource. A "%" of the name is written "%25", so that every "%" of a row starts an escape and
// the sitemap's address decodes to the name.
std::string rowText(const std::string& name) {
    return PercentEncodeUnsafe(name, ";%");
}

// The extension of a file name: from its last "." to the end; empty without a "." or with a
// "\" or ":" after it.
std::string_view extensionOf(std::string_view name) {
    const std::size_t dot = name.rfind('.');
    if (dot == std::string_view::npos || name.find_first_of("\\:", dot) != std::string_view::npos)
        return {};
    return name.substr(dot);
}

// The extension list split at its commas, each item without surrounding blanks; an extension
// is taken when it equals an item, letter case included.
class ExtensionList final {
public:
    explicit ExtensionList(std::string_view text) {
        while (!text.empty()) {
            const std::size_t comma = text.find(',');
            const std::string_view item = Trimmed(text.substr(0, comma));
            if (!item.empty())
                items_.emplace(item);
            if (comma == std::string_view::npos)
                break;
            text.remove_prefix(comma + 1);
        }
    }
    bool Contains(std::string_view extension) const {
        return !extension.empty() && items_.count(std::string(extension)) != 0;
    }

private:
    std::unordered_set<std::string> items_;
};

// Why the settings cannot make rows, or empty when they can: the site URL, the offset and the
// defaults go into every row, and a ";" in one of them would shift the fields of all.
std::string_view rowSettingsProblem(const SiteSettings& settings) {
    if (const std::string_view problem = SiteUrlProblem(settings.web_url); !problem.empty())
        return problem;
    if (HasSeparatorInField(
            {"", "", settings.TimeZoneOffset(), settings.changefreq, settings.priority}))
        return texts::kSeparatorRefused;
    return {};
}

// What the walk leaves out, counted into the summary: asked before a subfolder is listed and
// before a file becomes a row, with its path below the site root ("/a/b/" for a folder).
class WalkFilter final {
public:
    // checkpoint is passed before every rule tried and may throw to end the walk.
    WalkFilter(const SiteSettings& settings, RetrievalSummary& summary, RuleCheckpoint checkpoint)
        : exclusions_(settings.exclude), summary_(summary), checkpoint_(std::move(checkpoint)) {}

    void SetRobots(std::string_view robotsTxt) { robots_ = RobotsRules(robotsTxt); }

    bool KeepsFolder(const std::string& path) {
        return keeps(exclusions_.Excludes(path, checkpoint_),
                     robots_.MayAllowBelow(path, checkpoint_));
    }
    // KeepsFolder without counting, for a walk that lists folders ahead of time on threads of
    // its own, each with its own checkpoint.
    bool MayListFolder(const std::string& path, const RuleCheckpoint& checkpoint) const {
        return !exclusions_.Excludes(path, checkpoint) && robots_.MayAllowBelow(path, checkpoint);
    }
    bool KeepsFile(const std::string& path) {
        return keeps(exclusions_.Excludes(path, checkpoint_), robots_.Allows(path, checkpoint_));
    }

private:
    bool keeps(bool excluded, bool robotsAllow) {
        if (excluded)
            ++summary_.excluded;
        else if (!robotsAllow)
            ++summary_.robotsExcluded;
        return !excluded && robotsAllow;
    }

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
              RetrievalObserver& observer, RetrievalSummary& summary)
        : settings_(settings), limits_(limits), observer_(observer), summary_(summary),
          filter_(settings, summary, [this] { CheckStop(); }), extensions_(settings.ext_list),
          timeZoneOffset_(settings.TimeZoneOffset()),
          offsetMinutes_(OffsetMinutes(timeZoneOffset_).value_or(0)),
          siteUrl_(withoutTrailingSlashes(settings.web_url)) {}
    virtual ~WalkRules() = default;
    WalkRules(const WalkRules&) = delete;
    WalkRules& operator=(const WalkRules&) = delete;

    // Walks the site root; without one, the folder the login leaves the client in.
    virtual void Run() = 0;

    // Throws WalkStopped when the user has asked the run to stop.
    void CheckStop() const {
        if (observer_.StopRequested())
            throw WalkStopped();
    }

    std::vector<std::string> TakeRows() { return std::move(foundRows_); }

    // Says what the walk left out or listed otherwise than the server offered: folders too deep
    // to enter and folders met inside themselves (naming the first), folders listed with LIST
    // after MLSD was refused. Nothing when none.
    void ReportAtEnd() {
        if (summary_.foldersTooDeep > 0)
            observer_.ShowMessage(Concat(
                {Filled(texts::kFoldersTooDeep,
                        {{"depth", std::to_string(kMaxDepth)},
                         {"count", std::to_string(summary_.foldersTooDeep)}}),
                 kLineBreak, firstTooDeep_}));
        if (summary_.foldersRepeated > 0)
            observer_.ShowMessage(Concat(
                {Filled(texts::kFoldersRepeated,
                        {{"count", std::to_string(summary_.foldersRepeated)}}),
                 kLineBreak, firstRepeated_}));
        if (summary_.mlsdRefused)
            observer_.ShowMessage(
                Filled(texts::kMlsdRefused, {{"mlsd", std::to_string(summary_.foldersListedMlsd)},
                                             {"list", std::to_string(summary_.foldersListedList)}}));
    }

protected:
    // The site root; without one, the folder the login leaves the client in.
    Folder rootFolder(TIdFTP& ftp) {
        Folder root;
        root.path = settings_.site_root;
        root.shownPath = settings_.site_root;
        if (root.path.empty()) {
            CheckStop();
            root.path = ftp.CurrentFolder();
            if (root.path.empty())
                throw WalkError(std::string(texts::kNoCurrentFolder));
            root.shownPath = shownText(NameFromServer(root.path));
        }
        if (breaksCommandLine(root.path))
            throw WalkError(std::string(texts::kRootBreaksCommand));
        root.url = siteUrl_ + '/';
        if (settings_.robots)
            readRobots(ftp, root.path);
        walked_.insert(root.path);
        return root;
    }

    // The site root's robots.txt; a site without one leaves nothing out.
    void readRobots(TIdFTP& ftp, const std::string& rootPath) {
        CheckStop();
        const std::string file = joinPath(rootPath, "robots.txt");
        std::optional<std::string> text;
        try {
            text = ftp.RetrieveFile(file, kMaxRobotsBytes);
        } catch (const EIdProtocolReplyError& refusal) {
            // Without its rules the walk would publish what the site keeps from search engines.
            throw WalkError(
                Filled(texts::kRobotsUnreadable,
                       {{"file", shownText(NameFromServer(file))}, {"reply", FailureText(refusal.Failure())}}));
        }
        if (!text)
            return;
        // A line cut at the bound could read as a shorter rule.
        if (text->size() == kMaxRobotsBytes)
            text->erase(text->find_last_of("\r\n") + 1);
        filter_.SetRobots(*text);
        summary_.robotsTxt = std::move(*text);
    }

    // Shows which folder is next and ends the walk once it has tried as many as it may.
    void beginFolder(const Folder& folder) {
        observer_.SetStatusText(2, folder.shownPath + std::string(texts::kBeingRetrieved));
        if (summary_.folders + summary_.foldersRefused >= limits_.maxFolders)
            throw WalkError(
                Filled(texts::kTooManyFolders, {{"limit", std::to_string(limits_.maxFolders)}}));
    }

    void folderRefused(const Folder& folder) {
        ++summary_.foldersRefused;
        observer_.ShowMessage(
            Concat({folder.shownPath, texts::kFolderMissing, kLineBreak, texts::kListCutShort}));
    }

    // Counts how a folder's first listing came.
    void folderListed(bool mlsd) {
        ++(mlsd ? summary_.foldersListedMlsd : summary_.foldersListedList);
    }

    // True when the server names the subfolder entry of folder as folder itself or one above
    // it: entering would walk that one again, down to the depth bound.
    static bool insideItself(const Folder& folder, const WalkEntry& entry) {
        return !entry.unique.empty() && std::find(folder.uniques.begin(), folder.uniques.end(),
                                                  entry.unique) != folder.uniques.end();
    }

    void folderEntered(const Folder& folder) {
        ++summary_.folders;
        observer_.FolderEntered(folder.shownPath);
    }

    void folderUnreadable(const Folder& folder, const std::string& reason) {
        ++summary_.foldersUnreadable;
        observer_.ShowMessage(
            Concat({folder.shownPath, texts::kListingUnreadable, kLineBreak, reason}));
    }

    // Entries that are neither rows nor folders to enter: no name, one too long to be real,
    // "." and "..", names that would break a command or leave the folder.
    static bool ignored(const WalkEntry& entry) {
        return entry.name.empty() || entry.name.size() > kMaxNameBytes || entry.name == "." ||
               entry.name == ".." || !isSafeName(entry.name);
    }

    // The subfolder entry of folder as a folder to walk, whatever was walked before.
    Folder subfolder(const Folder& folder, const WalkEntry& entry) const {
        Folder child;
        child.path = joinPath(folder.path, entry.name);
        const std::string textName = NameFromServer(entry.name);
        child.shownPath = joinPath(folder.shownPath, shownText(textName));
        child.urlPath = subfolderUrlPath(folder, entry.name);
        child.url = siteUrl_ + child.urlPath + '/';
        child.depth = folder.depth + 1;
        child.uniques = folder.uniques;
        if (!entry.unique.empty())
            child.uniques.push_back(entry.unique);
        return child;
    }

    // The path below the site root of folder's subfolder name, as rows write it ("/a/b").
    static std::string subfolderUrlPath(const Folder& folder, const std::string& name) {
        return folder.urlPath + '/' + rowText(NameFromServer(name));
    }

    // True when the subfolder entry of folder is to be walked now: not walked before in this
    // run, not inside itself by the server's identity and not too deep (both counted, and the
    // first one kept to be named). Folders that merely share an identity are walked each:
    // some servers give every folder the same one.
    bool claimSubfolder(const Folder& folder, const WalkEntry& entry) {
        const std::string path = joinPath(folder.path, entry.name);
        if (!walked_.insert(path).second)
            return false;
        if (!filter_.KeepsFolder(subfolderUrlPath(folder, entry.name) + '/'))
            return false;
        // A server that shows a link as what it leads to still names the folder's identity.
        if (insideItself(folder, entry)) {
            if (summary_.foldersRepeated++ == 0)
                firstRepeated_ = joinPath(folder.shownPath, shownText(NameFromServer(entry.name)));
            return false;
        }
        if (folder.depth >= kMaxDepth) {
            if (summary_.foldersTooDeep++ == 0)
                firstTooDeep_ = joinPath(folder.shownPath, shownText(NameFromServer(entry.name)));
            return false;
        }
        return true;
    }

    void takeFile(const Folder& folder, const WalkEntry& entry) {
        const std::string name = NameFromServer(entry.name);
        if (!extensions_.Contains(extensionOf(name)) ||
            !filter_.KeepsFile(folder.urlPath + '/' + rowText(name)))
            return;
        if (foundRows_.size() >= limits_.maxRows)
            throw WalkError(
                Filled(texts::kTooManyRows, {{"limit", std::to_string(limits_.maxRows)}}));
        observer_.SetStatusText(
            2, Concat({ReadableAddress(folder.url), shownText(name), texts::kBeingRetrieved}));
        // MLSD's times are UTC; a listing's are the server's, in the zone the settings name.
        const DateTime modified =
            entry.utc ? entry.modified.PlusMinutes(offsetMinutes_) : entry.modified;
        // No date is better than a wrong one: search engines take lastmod at its word.
        std::string lastmod;
        if (modified.IsLastmodDate())
            lastmod = modified.LastmodText() + timeZoneOffset_;
        else
            ++summary_.undated;
        std::string row = BuildUrlEntry(
            {folder.url, rowText(name), lastmod, settings_.changefreq, settings_.priority});
        observer_.RowFound(row);
        foundRows_.push_back(std::move(row));
    }

    const SiteSettings& settings_;
    const RetrievalLimits limits_;
    RetrievalObserver& observer_;
    RetrievalSummary& summary_;
    WalkFilter filter_;

private:
    const ExtensionList extensions_;
    const std::string timeZoneOffset_;
    const int offsetMinutes_;
    const std::string siteUrl_; // the site URL without "/" at its end
    std::unordered_set<std::string> walked_;
    std::string firstTooDeep_;  // shown path of the first folder left out for its depth
    std::string firstRepeated_; // shown path of the first folder met inside itself
    std::vector<std::string> foundRows_;
};

// The walk over one session: folders depth first, one CWD and listing per folder on the way
// in and again for the parent on the way back, rows in the order the files are met.
class FolderWalk final : public WalkRules {
public:
    FolderWalk(TIdFTP& ftp, const SiteSettings& settings, const RetrievalLimits& limits,
               RetrievalObserver& observer, RetrievalSummary& summary)
        : WalkRules(settings, limits, observer, summary), ftp_(ftp) {}

    void Run() override { walkFolder(rootFolder(ftp_)); }

private:
    void walkFolder(const Folder& folder) {
        beginFolder(folder);
        if (!folder.path.empty()) {
            CheckStop();
            try {
                ftp_.ChangeFolder(folder.path);
            } catch (const EIdProtocolReplyError& refusal) {
                // Only "no such folder" means the folder cannot be entered; a temporary
                // refusal or a lost connection ends the walk instead.
                if (!meansMissing(refusal))
                    throw;
                folderRefused(folder);
                return;
            }
        }
        folderEntered(folder);
        listFolder();
        folderListed(ftp_.ListsWithMlsd());

        // Every subfolder lists this folder again on the way back, and entry i is read from
        // the listing that is current then. Unchanged lines are not parsed again.
        std::uint64_t digest = listingDigest(ftp_.ListingLines());
        std::vector<WalkEntry> entries;
        if (!readEntries(folder, entries))
            return;
        const std::size_t count = entries.size();
        for (std::size_t i = 0; i < count; ++i) {
            CheckStop();
            if (i >= entries.size())
                throw WalkError(Filled(texts::kListingShrank, {{"folder", folder.shownPath}}));
            const WalkEntry& entry = entries[i];
            if (ignored(entry))
                continue;
            if (!entry.folder) {
                takeFile(folder, entry);
                continue;
            }
            if (!claimSubfolder(folder, entry))
                continue;
            walkFolder(subfolder(folder, entry));
            if (!folder.path.empty()) {
                CheckStop();
                ftp_.ChangeFolder(folder.path);
            }
            listFolder();
            const std::uint64_t newDigest = listingDigest(ftp_.ListingLines());
            if (newDigest != digest) {
                digest = newDigest;
                if (!readEntries(folder, entries))
                    return;
            }
        }
    }

    // The entries of the listing just received; false, once the user has been told, when not
    // one of its lines could be read: the folder's entries are unknown, and the walk goes on
    // without them.
    bool readEntries(const Folder& folder, std::vector<WalkEntry>& entries) {
        try {
            entries = walkEntries(ftp_.FolderListing());
            return true;
        } catch (const EIdUnreadableListing& error) {
            folderUnreadable(folder, FailureText(error.Failure()));
            return false;
        }
    }

    void listFolder() {
        CheckStop();
        ftp_.ListFolder();
        if (summary_.mlsd && !ftp_.ListsWithMlsd())
            summary_.mlsdRefused = true;
    }

    TIdFTP& ftp_;
};

// The walk over several sessions. Each folder is listed once, by its path, by whichever
// session is free; the rows, messages and counts come from the listings in the order of the
// depth-first walk, so they are those of the walk over one session on a site that holds still.
class ParallelWalk final : public WalkRules {
public:
    ParallelWalk(TIdFTP& ftp, const SiteSettings& settings, const RetrievalLimits& limits,
                 RetrievalObserver& observer, RetrievalSummary& summary, std::size_t sessions)
        : WalkRules(settings, limits, observer, summary), ftp_(ftp), sessions_(sessions) {}

    void Run() override {
        const Folder root = rootFolder(ftp_);
        {
            std::lock_guard<std::mutex> lock(mutex_);
            queueLocked(root);
        }
        Workers workers(*this);
        walkListed(root);
        workers.Completed();
    }

private:
    using Time = std::chrono::steady_clock::time_point;
    // A folder refused for a while (4xx) is tried again this many times, after this pause.
    static constexpr std::size_t kRetries = 2;
    static constexpr std::chrono::milliseconds kRetryPause{300};

    enum class State { Waiting, Listing, Listed, Refused, Unreadable, Failed };

    struct Node {
        Folder folder;
        State state = State::Waiting;
        std::vector<WalkEntry> entries;
        bool mlsd = false;        // listed with MLSD
        std::string unreadable;   // why the listing could not be read
        std::exception_ptr error; // what ended the listing
        std::size_t retries = 0;
        const TIdFTP* refusedBy = nullptr; // the session refused it last: another tries first
        Time notBefore{};
    };

    // What one listing came to.
    struct Listing {
        State state = State::Listed;
        std::vector<WalkEntry> entries;
        std::string unreadable;
        std::exception_ptr error;
        bool retry = false;       // refused for a while: to be tried again
        bool sessionLost = false; // the session can list no more
    };

    // Starts the sessions' threads and, whatever ends the walk, stops and joins them.
    class Workers final {
    public:
        explicit Workers(ParallelWalk& walk) : walk_(walk) {
            threads_.emplace_back([this] { walk_.serve(walk_.ftp_, false); });
            for (std::size_t i = 1; i < walk_.sessions_; ++i)
                threads_.emplace_back([this] { walk_.serveOwnSession(); });
        }
        // The walk needs no more listings: sessions finish the one they are on.
        void Completed() { completed_ = true; }
        ~Workers() {
            walk_.finish(!completed_);
            for (std::thread& thread : threads_)
                thread.join();
        }
        Workers(const Workers&) = delete;
        Workers& operator=(const Workers&) = delete;

    private:
        ParallelWalk& walk_;
        std::vector<std::thread> threads_;
        bool completed_ = false;
    };

    // Adds folder to the folders to list, ahead of those known before: the depth-first walk
    // needs the newest first. Returns its node.
    Node& queueLocked(const Folder& folder) {
        Node& node = nodes_[folder.path];
        node.folder = folder;
        queue_.push_front(&node);
        ++known_;
        changed_.notify_all();
        return node;
    }

    // Puts node back at the head of the queue, to be listed again by another session where one
    // can, after pause.
    void requeueLocked(Node& node, const TIdFTP& session, std::chrono::milliseconds pause) {
        node.state = State::Waiting;
        node.refusedBy = &session;
        node.notBefore = std::chrono::steady_clock::now() + pause;
        queue_.push_front(&node);
        changed_.notify_all();
    }

    // Walks folder from its listing, depth first, as FolderWalk walks it from the server.
    void walkListed(const Folder& folder) {
        beginFolder(folder);
        Node& node = awaitListing(folder);
        if (node.state == State::Refused) {
            folderRefused(folder);
            return;
        }
        folderEntered(folder);
        folderListed(node.mlsd);
        if (node.state == State::Unreadable) {
            folderUnreadable(folder, node.unreadable);
            return;
        }
        const std::vector<WalkEntry> entries = std::move(node.entries);
        for (const WalkEntry& entry : entries) {
            CheckStop();
            if (ignored(entry))
                continue;
            if (!entry.folder)
                takeFile(folder, entry);
            else if (claimSubfolder(folder, entry))
                walkListed(subfolder(folder, entry));
        }
    }

    // Waits until folder is listed, showing progress and watching for the user's stop; a
    // folder that no session took up yet goes first.
    Node& awaitListing(const Folder& folder) {
        std::unique_lock<std::mutex> lock(mutex_);
        auto found = nodes_.find(folder.path);
        Node& node = found != nodes_.end() ? found->second : queueLocked(folder);
        for (;;) {
            if (node.state == State::Failed)
                std::rethrow_exception(node.error);
            if (node.state == State::Listed || node.state == State::Refused ||
                node.state == State::Unreadable)
                return node;
            if (liveSessions_ == 0 && started_ == sessions_)
                throw WalkError(std::string(texts::kFtpServerClosed));
            showProgressLocked(lock);
            if (observer_.StopRequested())
                throw WalkStopped();
            changed_.wait_for(lock, std::chrono::milliseconds(50));
        }
    }

    void showProgressLocked(std::unique_lock<std::mutex>& lock) {
        const std::size_t done = done_, known = known_, live = liveSessions_;
        if (done == shownDone_ && known == shownKnown_ && live == shownLive_)
            return;
        shownDone_ = done;
        shownKnown_ = known;
        shownLive_ = live;
        lock.unlock();
        observer_.WalkProgress(done, known, live);
        lock.lock();
    }

    // Ends the walk for every session: one still logging in is not needed any more; stopped,
    // the others of its own end their waits on the server at once too (the first session is
    // stopped by whoever stopped the run).
    void finish(bool stopSessions) {
        std::lock_guard<std::mutex> lock(mutex_);
        finished_ = true;
        for (TIdFTP* session : stopSessions ? ownSessions_ : connecting_)
            session->RaiseStop();
        changed_.notify_all();
    }

    // A session of its own, logged in as the first one: a server that will not take another
    // connection leaves the walk to the sessions it has.
    void serveOwnSession() {
        TIdFTP session(ftp_.ListingClock());
        session.SetTimeouts(ftp_.Timeouts());
        session.SetTls(ftp_.Tls());
        session.SetMlsdAllowed(true);
        {
            std::lock_guard<std::mutex> lock(mutex_);
            if (finished_) {
                ++started_;
                return;
            }
            ownSessions_.push_back(&session);
            connecting_.push_back(&session);
        }
        bool connected = false;
        try {
            session.Connect(settings_.hostname, settings_.username, settings_.password);
            connected = true;
        } catch (const std::exception&) {
            // Not another connection: the walk goes on with the sessions it has.
        }
        {
            std::lock_guard<std::mutex> lock(mutex_);
            connecting_.erase(std::find(connecting_.begin(), connecting_.end(), &session));
        }
        if (connected)
            serve(session, true);
        else
            countStarted(false);
        std::lock_guard<std::mutex> lock(mutex_);
        ownSessions_.erase(std::find(ownSessions_.begin(), ownSessions_.end(), &session));
        summary_.commands += session.CommandsSent();
    }

    void countStarted(bool live) {
        std::lock_guard<std::mutex> lock(mutex_);
        ++started_;
        liveSessions_ += live ? 1 : 0;
        changed_.notify_all();
    }

    // The sessions that may list now: while some list with MLSD, only those, so that every
    // page of a walk that has MLSD gets its exact time.
    std::size_t listingSessionsLocked() const {
        return summary_.mlsd && mlsdSessions_ > 0 ? mlsdSessions_ : liveSessions_;
    }

    // The next folder session is to list, taken from the queue: the first one due that no
    // other session should try first. Nothing when none, due set to when the next falls due.
    Node* takeLocked(const TIdFTP& session, Time& due) {
        if (summary_.mlsd && mlsdSessions_ > 0 && !session.ListsWithMlsd())
            return nullptr;
        const Time now = std::chrono::steady_clock::now();
        for (auto next = queue_.begin(); next != queue_.end(); ++next) {
            Node& node = **next;
            if (node.notBefore > now) {
                due = std::min(due, node.notBefore);
                continue;
            }
            if (node.refusedBy == &session && listingSessionsLocked() > 1)
                continue;
            queue_.erase(next);
            return &node;
        }
        return nullptr;
    }

    // Lists folder with session, and the subfolders it may queue; a refusal for a while is to
    // be tried again while tries are left.
    Listing list(TIdFTP& session, const Folder& folder, bool mayRetry,
                 std::vector<Folder>& subfolders) {
        Listing listing;
        try {
            session.ListFolderAt(folder.path);
            listing.entries = walkEntries(session.FolderListing());
            subfolders = subfoldersToList(folder, listing.entries);
        } catch (const EIdProtocolReplyError& refusal) {
            if (meansMissing(refusal)) {
                listing.state = State::Refused;
            } else {
                listing.retry = mayRetry && refusal.ReplyCode() / 100 == 4;
                listing.state = State::Failed;
                listing.error = std::current_exception();
            }
        } catch (const EIdUnreadableListing& failure) {
            listing.state = State::Unreadable;
            listing.unreadable = FailureText(failure.Failure());
        } catch (...) {
            listing.state = State::Failed;
            listing.error = std::current_exception();
            listing.sessionLost = true;
        }
        return listing;
    }

    // Lists folders with session until the walk ends or the session is lost.
    void serve(TIdFTP& session, bool ownSession) {
        countStarted(true);
        std::unique_lock<std::mutex> lock(mutex_);
        mlsdSessions_ += session.ListsWithMlsd() ? 1 : 0;
        for (;;) {
            if (finished_)
                break;
            Time due = Time::max();
            Node* next = takeLocked(session, due);
            if (next == nullptr) {
                if (due == Time::max())
                    changed_.wait(lock);
                else
                    changed_.wait_until(lock, due);
                continue;
            }
            Node& node = *next;
            node.state = State::Listing;
            const Folder folder = node.folder;
            const bool mayRetry = node.retries < kRetries;
            const bool hadMlsd = session.ListsWithMlsd();
            lock.unlock();
            std::vector<Folder> subfolders;
            Listing listing = list(session, folder, mayRetry, subfolders);
            lock.lock();
            if (hadMlsd && !session.ListsWithMlsd()) {
                summary_.mlsdRefused = true;
                --mlsdSessions_;
                changed_.notify_all();
                // Listed with LIST while others still have MLSD: one of them lists it again.
                if (listing.state == State::Listed && mlsdSessions_ > 0) {
                    requeueLocked(node, session, std::chrono::milliseconds(0));
                    continue;
                }
            }
            if (listing.retry) {
                ++node.retries;
                requeueLocked(node, session, kRetryPause);
                continue;
            }
            node.state = listing.state;
            node.mlsd = session.ListsWithMlsd();
            node.unreadable = std::move(listing.unreadable);
            node.error = listing.error;
            node.entries = std::move(listing.entries);
            ++done_;
            for (const Folder& subfolder : subfolders) {
                if (nodes_.size() < limits_.maxFolders && nodes_.count(subfolder.path) == 0)
                    queueLocked(subfolder);
            }
            changed_.notify_all();
            if (listing.sessionLost)
                break;
        }
        mlsdSessions_ -= session.ListsWithMlsd() ? 1 : 0;
        --liveSessions_;
        changed_.notify_all();
        lock.unlock();
        // A stopped session cannot say goodbye; it just closes.
        if (ownSession)
            session.SendQuit();
    }

    // The subfolders of a listed folder that the walk may enter, newest first, as the queue
    // takes them. The rules are tried here, off the lock, and give way once the walk is over.
    std::vector<Folder> subfoldersToList(const Folder& folder,
                                         const std::vector<WalkEntry>& entries) const {
        std::vector<Folder> subfolders;
        if (folder.depth >= kMaxDepth)
            return subfolders;
        const RuleCheckpoint checkpoint = [this] {
            if (finished_)
                throw WalkStopped();
        };
        for (auto entry = entries.begin(); entry != entries.end(); ++entry) {
            checkpoint();
            if (!entry->folder || ignored(*entry) || insideItself(folder, *entry))
                continue;
            Folder child = subfolder(folder, *entry);
            if (filter_.MayListFolder(child.urlPath + '/', checkpoint))
                subfolders.push_back(std::move(child));
        }
        std::reverse(subfolders.begin(), subfolders.end());
        return subfolders;
    }

    TIdFTP& ftp_;
    const std::size_t sessions_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::unordered_map<std::string, Node> nodes_; // by path; a node stays where it is
    std::deque<Node*> queue_;                     // to be listed, the next first
    std::vector<TIdFTP*> ownSessions_;            // the sessions besides the first
    std::vector<TIdFTP*> connecting_;             // those of them still logging in
    std::atomic<bool> finished_{false};           // set under mutex_, read off it too
    std::size_t started_ = 0;      // sessions that have logged in or failed to
    std::size_t liveSessions_ = 0; // sessions listing or ready to
    std::size_t mlsdSessions_ = 0; // of those, the ones listing with MLSD
    std::size_t done_ = 0;         // folders listed (or refused)
    std::size_t known_ = 0;        // folders queued to be listed
    std::size_t shownDone_ = 0, shownKnown_ = 0, shownLive_ = 0;
};

} // namespace

RetrievalSummary RunRetrieval(Tftp_module& ftp, const SiteSettings& settingsAtStart,
                              RetrievalObserver& observer, const RetrievalLimits& limits) {
    // The whole run uses the values as they stood when it started.
    const SiteSettings settings = settingsAtStart;
    RetrievalSummary summary;
    observer.ClearTable();
    observer.SetStatusText(1, std::string(texts::kConnecting));
    observer.SetMaxTotalText(std::string(texts::kRetrieving));

    Tftp_module::Session session = ftp.Lock();
    const Tftp_module::ScopedDisconnect disconnect(ftp);
    TIdFTP& client = session.Client();
    const std::size_t commandsBefore = client.CommandsSent();
    std::unique_ptr<WalkRules> walk;
    if (const std::size_t sessions = settings.ConnectionCount(); sessions > 1)
        walk =
            std::make_unique<ParallelWalk>(client, settings, limits, observer, summary, sessions);
    else
        walk = std::make_unique<FolderWalk>(client, settings, limits, observer, summary);
    try {
        if (const std::string_view problem = rowSettingsProblem(settings); !problem.empty())
            throw WalkError(std::string(problem));
        walk->CheckStop();
        client.SetTls(TlsOptionsFor(settings.tls, settings.tls_trust, settings.hostname));
        client.SetMlsdAllowed(true);
        if (ftp.FtpConnect(settings.hostname, settings.username, settings.password) != 0) {
            // A login the user stopped did not fail.
            walk->CheckStop();
            summary.loginFailed = true;
            summary.untrustedCertificate = ftp.UntrustedCertificate();
            observer.ShowMessage(Concat({texts::kConnectFailed, kLineBreak, FailureText(ftp.LastError())}));
        } else {
            summary.tlsRefused = client.TlsRefused();
            summary.mlsd = client.ListsWithMlsd();
            walk->Run();
            // A stop asked for while the last entries were gone through.
            walk->CheckStop();
        }
    } catch (const WalkStopped&) {
        summary.stopped = true;
    } catch (const EIdStopped&) {
        // The stop ended a wait on the server at once.
        summary.stopped = true;
    } catch (const std::exception& error) {
        summary.endedEarly = true;
        observer.ShowMessage(Concat({texts::kListCutShort, kLineBreak, ErrorText(error)}));
    } catch (...) {
        summary.endedEarly = true;
        observer.ShowMessage(Concat({texts::kListCutShort, kLineBreak, texts::kUnknownError}));
    }
    if (!summary.stopped)
        walk->ReportAtEnd();

    observer.SetStatusText(1, std::string(summary.stopped    ? texts::kRetrievalStopped
                                          : summary.Failed() ? texts::kRetrievalFailed
                                                             : texts::kRetrievalFinished));
    observer.SetStatusText(2, std::string());
    if (summary.tlsRefused)
        observer.SetStatusText(0, std::string(texts::kPlainConnection));
    std::vector<std::string> rows = walk->TakeRows();
    summary.rows = rows.size();
    observer.FillTable(std::move(rows));
    client.SendQuit();
    summary.commands += client.CommandsSent() - commandsBefore;
    return summary;
}
