#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <optional>
#include <string_view>
#include <utility>
#include <vector>

#include "memory/sqlite_database.h"

// What the user chose for one page of a site, as the memory keeps it. Only what differs from
// the defaults is a choice: a ticked page, the site's default frequency and priority are not.
struct PageChoice {
    std::string address; // folder URL followed by the file name, as the row holds them
    bool unticked = false;
    std::string changefreq; // as typed; empty: the site's default
    std::string priority;   // as typed; empty: the site's default
    std::string setAt;      // UTC, "yyyy-MM-ddTHH:mm:ssZ"; filled in by the memory

    bool IsChoice() const { return unticked || !changefreq.empty() || !priority.empty(); }
};

// What the page check keeps of one page between runs, for the lastmod that moves only when the
// page does, and the user's word against the check.
struct CheckedPage {
    std::string address; // as RowAddress gives it
    std::string etag;
    std::string lastModified;
    std::string bodySha256;
    std::string lastmod; // the one the sitemap last gave the page
    // The user ticked the page again after the check left it out: the tick wins next time.
    bool tickedAnyway = false;
};

// The frequency and priority a retrieval gives every row of the site.
struct SiteDefaults {
    std::string changefreq;
    std::string priority;
};

// What the search engines were last told of a site: the IndexNow key its key file was verified
// with, and each page told with its lastmod, by address.
struct NotifiedState {
    std::string key;
    std::vector<std::pair<std::string, std::string>> pages;
};

// The address of a row: its folder URL and file name.
std::string RowAddress(std::string_view row);

// The choice that row, ticked or not, stands for against the site's defaults.
PageChoice ChoiceOfRow(std::string_view row, bool checked, const SiteDefaults& defaults);

// What applying the memory to the rows of a retrieval found, row by row and in all.
struct AppliedMemory {
    enum Mark : std::uint8_t { kUnticked = 1, kNew = 2 };
    std::vector<std::uint8_t> marks; // per row, index for index
    std::size_t unticked = 0;        // rows that come back unticked
    std::size_t edited = 0;          // rows that come back with a remembered frequency or priority
    std::size_t fresh = 0;           // rows the memory did not know
    std::size_t missing = 0;         // pages the memory knows that no row holds
};

// The remembered choices of one site, in site_memory.db (SQLite, WAL journal, readable by the
// owner only) in the program folder, keyed by the site URL so that one folder can serve
// several sites. The memory knows every page a window's retrieval listed, so that a page it
// does not know is new, and keeps the choices of those that have one.
//
// A damaged file is moved aside (site_memory.db.damaged-<time>) and a new one started; a file
// that cannot be opened or stays locked leaves the memory off (a lock also sets Locked). Either
// is told once, through the problem handler, and every later call then does nothing. Lives on
// one thread.
class SiteMemory final {
public:
    static constexpr std::string_view kFileName = "site_memory.db";
    static constexpr std::chrono::milliseconds kDefaultBusyTimeout{5000};

    // What went wrong with the file; the words are the caller's.
    struct Problem {
        enum class Kind {
            Damaged,    // moved aside (detail: where to) and a new memory started
            Locked,     // another process held the file past the busy timeout; memory off
            CannotOpen, // the file could not be created, opened or moved aside; memory off
            Failed,     // a later read or write failed; memory off
        };
        Kind kind;
        std::filesystem::path file;
        std::string detail; // Damaged: the path aside; otherwise the system's or SQLite's reason
    };
    using ProblemHandler = std::function<void(const Problem& problem)>;

    // Opens the memory of siteUrl in folder. When create is false and there is no file yet, the
    // memory is off without a word (nothing to apply, nothing to list).
    SiteMemory(const std::filesystem::path& folder, std::string siteUrl, ProblemHandler onProblem,
               bool create = true, std::chrono::milliseconds busyTimeout = kDefaultBusyTimeout);
    ~SiteMemory();
    SiteMemory(const SiteMemory&) = delete;
    SiteMemory& operator=(const SiteMemory&) = delete;

    bool IsOn() const { return on_; }
    // Off because another program held the file past the busy timeout. Held when the memory
    // opened, this is not told through the problem handler: without its memory a run would
    // publish pages the user unticked, so the caller stops or asks.
    bool Locked() const { return locked_; }
    const std::string& SiteUrl() const { return site_; }
    std::filesystem::path FilePath() const { return file_; }

    // Puts the remembered frequency and priority into the rows' fields and marks the rows that
    // come back unticked and those the memory does not know. While the memory knows no page of
    // the site, nothing is new. When learn, the pages not known become known (the window; a
    // scheduled run leaves them new for the window to show).
    AppliedMemory Apply(std::vector<std::string>& rows, bool learn);

    // Keeps changes in one transaction; a change without a choice clears the page's choice.
    void Record(const std::vector<PageChoice>& changes);

    // The addresses the memory knows that no row of rows holds.
    std::vector<std::string> Missing(const std::vector<std::string>& rows);
    // Forgets addresses; returns how many it knew.
    std::size_t Forget(const std::vector<std::string>& addresses);
    // Forgets every page of the site; returns how many it knew.
    std::size_t Reset();
    // The pages of the site with a choice, by address.
    std::vector<PageChoice> List();

    // What the search engines were last told (notified_pages.cpp); nothing before the first
    // notification, and when the memory is off.
    std::optional<NotifiedState> Notified();
    // Keeps state as what they were last told, replacing the former; false when it failed.
    bool KeepNotified(const NotifiedState& state);
    // The pages the check kept facts of (page_checks.cpp).
    std::vector<CheckedPage> CheckedPages();
    // Keeps the facts of pages in one transaction; each page's tickedAnyway stays as it was.
    void RecordChecks(const std::vector<CheckedPage>& pages);
    // The user ticked (or unticked again) pages the check leaves out.
    void SetTickedAnyway(const std::vector<std::string>& addresses, bool ticked);

private:
    bool open(bool create);
    bool openOnce(bool create, bool& damaged);
    bool createTables();
    // Renames the damaged file aside; false (told) when it cannot.
    bool moveAside();
    // Turns the memory off and tells why, once; false.
    bool fail(Problem::Kind kind, std::string detail);
    // Turns the memory off with the database's last error; false.
    bool failOnDatabase();
    void tell(const Problem& problem);
    // The site's key, found or (when create) added; false when the memory has no such site.
    bool findSite(bool create);
    // The pages of the site (only those with a choice, by address); false when it failed.
    bool knownPages(std::vector<PageChoice>& pages, bool choicesOnly);
    // The notification tables, which files of older versions lack.
    bool createNotifiedTables();
    // The table of the check's facts, added to files made before it; false when it failed.
    bool checksTable();

    std::filesystem::path file_;
    std::string site_;
    ProblemHandler onProblem_;
    std::chrono::milliseconds busyTimeout_;
    SqliteDatabase db_;
    long long siteId_ = -1;
    bool on_ = false;
    bool told_ = false;
    bool locked_ = false;
    bool opening_ = true;
};
