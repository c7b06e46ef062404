#include "app/jobs/retrieval.h"

#include <cstdint>
#include <exception>
#include <stdexcept>
#include <string_view>
#include <unordered_set>
#include <utility>

#include "app/path_filter.h"
#include "app/text_util.h"
#include "app/texts.h"
#include "app/url_entry.h"
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

// What the walk keeps of a listing entry while it goes through the folder; the listing's lines
// stay behind, so a folder of a million entries is held once, not twice.
struct WalkEntry {
    std::string name; // the server's bytes
    DateTime modified;
    bool folder = false;
};

std::vector<WalkEntry> walkEntries(const TIdFTPListItems& listing) {
    std::vector<WalkEntry> entries;
    entries.reserve(listing.size());
    for (const TIdFTPListItem& item : listing)
        entries.push_back({item.name, item.modified, item.kind == ListItemKind::Folder});
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
// resource.
std::string rowText(const std::string& name) {
    return PercentEncodeUnsafe(name, ";");
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
    WalkFilter(const SiteSettings& settings, RetrievalSummary& summary)
        : exclusions_(settings.exclude), summary_(summary) {}

    void SetRobots(std::string_view robotsTxt) { robots_ = RobotsRules(robotsTxt); }

    bool KeepsFolder(const std::string& path) {
        return keeps(exclusions_.Excludes(path), robots_.MayAllowBelow(path));
    }
    bool KeepsFile(const std::string& path) {
        return keeps(exclusions_.Excludes(path), robots_.Allows(path));
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
};

// The walk of one run: folders depth first, one CWD and LIST per folder on the way in and
// again for the parent on the way back, rows in the order the files are met.
class FolderWalk final {
public:
    FolderWalk(TIdFTP& ftp, const SiteSettings& settings, const RetrievalLimits& limits,
               RetrievalObserver& observer, RetrievalSummary& summary)
        : ftp_(ftp), settings_(settings), limits_(limits), observer_(observer), summary_(summary),
          extensions_(settings.ext_list), timeZoneOffset_(settings.TimeZoneOffset()),
          filter_(settings, summary) {}

    // Throws WalkStopped when the user has asked the run to stop.
    void CheckStop() const {
        if (observer_.StopRequested())
            throw WalkStopped();
    }

    // Walks the site root; without one, the folder the login leaves the client in.
    void Run() {
        Folder root;
        root.path = settings_.site_root;
        root.shownPath = settings_.site_root;
        if (root.path.empty()) {
            CheckStop();
            root.path = ftp_.CurrentFolder();
            if (root.path.empty())
                throw WalkError(std::string(texts::kNoCurrentFolder));
            root.shownPath = shownText(NameFromServer(root.path));
        }
        if (breaksCommandLine(root.path))
            throw WalkError(std::string(texts::kRootBreaksCommand));
        root.url = settings_.web_url + '/';
        if (settings_.robots)
            readRobots(root.path);
        walked_.insert(root.path);
        WalkFolder(root);
    }

    std::vector<std::string> TakeRows() { return std::move(FoundRows); }

    // Says how many folders lay too deep to be entered, naming the first; nothing when none.
    void ReportFoldersTooDeep() {
        if (summary_.foldersTooDeep == 0)
            return;
        observer_.ShowMessage(Concat(
            {Filled(texts::kFoldersTooDeep, {{"depth", std::to_string(kMaxDepth)},
                                             {"count", std::to_string(summary_.foldersTooDeep)}}),
             kLineBreak, firstTooDeep_}));
    }

private:
    // The site root's robots.txt; a site without one leaves nothing out.
    void readRobots(const std::string& rootPath) {
        CheckStop();
        std::optional<std::string> text =
            ftp_.RetrieveFile(joinPath(rootPath, "robots.txt"), kMaxRobotsBytes);
        if (!text)
            return;
        // A line cut at the bound could read as a shorter rule.
        if (text->size() == kMaxRobotsBytes)
            text->erase(text->find_last_of("\r\n") + 1);
        filter_.SetRobots(*text);
    }

    void WalkFolder(const Folder& folder) {
        observer_.SetStatusText(2, folder.shownPath + std::string(texts::kBeingRetrieved));
        if (summary_.folders + summary_.foldersRefused >= limits_.maxFolders)
            throw WalkError(
                Filled(texts::kTooManyFolders, {{"limit", std::to_string(limits_.maxFolders)}}));
        if (!folder.path.empty()) {
            CheckStop();
            try {
                ftp_.ChangeFolder(folder.path);
            } catch (const EIdProtocolReplyError&) {
                // Only a refusal means the folder cannot be entered; a lost connection ends
                // the walk instead.
                ++summary_.foldersRefused;
                observer_.ShowMessage(Concat(
                    {folder.shownPath, texts::kFolderMissing, kLineBreak, texts::kListCutShort}));
                return;
            }
        }
        ++summary_.folders;
        observer_.FolderEntered(folder.shownPath);
        listFolder();

        // Every subfolder lists this folder again on the way back, and entry i is read from
        // the listing that is current then. Unchanged lines are not parsed again.
        std::uint64_t digest = listingDigest(ftp_.ListingLines());
        std::vector<WalkEntry> entries;
        if (!readEntries(folder, entries))
            return;
        const std::size_t count = entries.size();
        for (std::size_t i = 0; i < count; ++i) {
            if (i >= entries.size())
                throw WalkError(Filled(texts::kListingShrank, {{"folder", folder.shownPath}}));
            const WalkEntry& entry = entries[i];
            if (entry.name.empty() || entry.name.size() > kMaxNameBytes || entry.name == "." ||
                entry.name == ".." || !isSafeName(entry.name))
                continue;
            if (!entry.folder) {
                takeFile(folder, entry);
                continue;
            }
            if (!enterSubfolder(folder, entry.name))
                continue;
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
            ++summary_.foldersUnreadable;
            observer_.ShowMessage(
                Concat({folder.shownPath, texts::kListingUnreadable, kLineBreak, error.what()}));
            return false;
        }
    }

    // Walks the subfolder name of folder unless it was walked already in this run or lies too
    // deep (counted, and the first one kept to be named); true when it was walked (or at least
    // tried).
    bool enterSubfolder(const Folder& folder, const std::string& name) {
        Folder child;
        child.path = joinPath(folder.path, name);
        if (!walked_.insert(child.path).second)
            return false;
        const std::string textName = NameFromServer(name);
        if (!filter_.KeepsFolder(folder.urlPath + '/' + rowText(textName) + '/'))
            return false;
        child.shownPath = joinPath(folder.shownPath, shownText(textName));
        if (folder.depth >= kMaxDepth) {
            if (summary_.foldersTooDeep++ == 0)
                firstTooDeep_ = child.shownPath;
            return false;
        }
        child.urlPath = folder.urlPath + '/' + rowText(textName);
        child.url = settings_.web_url + child.urlPath + '/';
        child.depth = folder.depth + 1;
        WalkFolder(child);
        return true;
    }

    void takeFile(const Folder& folder, const WalkEntry& entry) {
        const std::string name = NameFromServer(entry.name);
        if (!extensions_.Contains(extensionOf(name)) ||
            !filter_.KeepsFile(folder.urlPath + '/' + rowText(name)))
            return;
        if (FoundRows.size() >= limits_.maxRows)
            throw WalkError(
                Filled(texts::kTooManyRows, {{"limit", std::to_string(limits_.maxRows)}}));
        observer_.SetStatusText(2, Concat({folder.url, shownText(name), texts::kBeingRetrieved}));
        std::string row = BuildUrlEntry({folder.url, rowText(name),
                                         entry.modified.LastmodText() + timeZoneOffset_,
                                         settings_.changefreq, settings_.priority});
        observer_.RowFound(row);
        FoundRows.push_back(std::move(row));
    }

    void listFolder() {
        CheckStop();
        ftp_.ListFolder();
    }

    TIdFTP& ftp_;
    const SiteSettings& settings_;
    const RetrievalLimits limits_;
    RetrievalObserver& observer_;
    RetrievalSummary& summary_;
    const ExtensionList extensions_;
    const std::string timeZoneOffset_;
    WalkFilter filter_;
    std::unordered_set<std::string> walked_;
    std::string firstTooDeep_; // shown path of the first folder left out for its depth
    std::vector<std::string> FoundRows;
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
    FolderWalk walk(client, settings, limits, observer, summary);
    try {
        if (const std::string_view problem = rowSettingsProblem(settings); !problem.empty())
            throw WalkError(std::string(problem));
        walk.CheckStop();
        client.SetTls(TlsOptionsFor(settings.tls, settings.tls_trust, settings.hostname));
        if (ftp.FtpConnect(settings.hostname, settings.username, settings.password) != 0) {
            // A login the user stopped did not fail.
            walk.CheckStop();
            summary.loginFailed = true;
            summary.untrustedCertificate = ftp.UntrustedCertificate();
            observer.ShowMessage(Concat({texts::kConnectFailed, kLineBreak, ftp.LastError()}));
        } else {
            summary.tlsRefused = client.TlsRefused();
            walk.Run();
        }
    } catch (const WalkStopped&) {
        summary.stopped = true;
    } catch (const EIdStopped&) {
        // The stop ended a wait on the server at once.
        summary.stopped = true;
    } catch (const std::exception& error) {
        summary.endedEarly = true;
        observer.ShowMessage(Concat({texts::kListCutShort, kLineBreak, error.what()}));
    } catch (...) {
        summary.endedEarly = true;
        observer.ShowMessage(Concat({texts::kListCutShort, kLineBreak, texts::kUnknownError}));
    }
    if (!summary.stopped)
        walk.ReportFoldersTooDeep();

    observer.SetStatusText(
        1, std::string(summary.stopped ? texts::kRetrievalStopped : texts::kRetrievalFinished));
    observer.SetStatusText(2, std::string());
    if (summary.tlsRefused)
        observer.SetStatusText(0, std::string(texts::kPlainConnection));
    std::vector<std::string> rows = walk.TakeRows();
    summary.rows = rows.size();
    observer.FillTable(std::move(rows));
    client.SendQuit();
    summary.commands = client.CommandsSent() - commandsBefore;
    return summary;
}
