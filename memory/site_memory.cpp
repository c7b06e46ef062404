#include "memory/site_memory.h"

#include <cerrno>
#include <cstring>
#include <unordered_set>

#include <QDateTime>

#include <sqlite3.h>

#include <fcntl.h>
#include <unistd.h>

#include "core/url_entry.h"
#include "memory/address_index.h"

namespace fs = std::filesystem;

namespace {

// Marks the file as this program's, so that another program's database is not taken for ours.
constexpr int kApplicationId = 0x53577231;
constexpr int kSchemaVersion = 1;

} // namespace

std::string RowAddress(std::string_view row) {
    const UrlEntryLayout layout(row);
    std::string address(layout.Field(row, UrlField::Link));
    address += layout.Field(row, UrlField::Filename);
    return address;
}

PageChoice ChoiceOfRow(std::string_view row, bool checked, const SiteDefaults& defaults) {
    const UrlEntryLayout layout(row);
    PageChoice choice;
    choice.address = RowAddress(row);
    choice.unticked = !checked;
    const std::string_view changefreq = layout.Field(row, UrlField::Changefreq);
    const std::string_view priority = layout.Field(row, UrlField::Priority);
    if (changefreq != defaults.changefreq)
        choice.changefreq = changefreq;
    if (priority != defaults.priority)
        choice.priority = priority;
    return choice;
}

SiteMemory::SiteMemory(const fs::path& folder, std::string siteUrl, ProblemHandler onProblem,
                       bool create, std::chrono::milliseconds busyTimeout)
    : file_(folder / kFileName), site_(std::move(siteUrl)), onProblem_(std::move(onProblem)),
      busyTimeout_(busyTimeout) {
    on_ = open(create);
    opening_ = false;
}

SiteMemory::~SiteMemory() = default;

bool SiteMemory::open(bool create) {
    std::error_code missing;
    if (!create && !fs::exists(file_, missing))
        return false;
    bool damaged = false;
    if (openOnce(create, damaged))
        return true;
    return damaged && moveAside() && openOnce(true, damaged);
}

bool SiteMemory::openOnce(bool create, bool& damaged) {
    damaged = false;
    std::error_code missing;
    if (!fs::exists(file_, missing)) {
        if (!create)
            return false;
        // Created before SQLite opens it, readable by the owner only; its journal files
        // take the same permissions.
        const int fd = ::open(file_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd < 0 && errno != EEXIST)
            return fail(Problem::Kind::CannotOpen, std::strerror(errno));
        if (fd >= 0)
            ::close(fd);
    }
    if (!db_.open(file_, busyTimeout_))
        return failOnDatabase();

    // The first read of the file: garbage shows here as "not a database".
    long long applicationId = 0;
    long long objects = 0;
    std::string check;
    const auto read = [&](const char* sql, const std::function<void(SqliteStatement&)>& take) {
        SqliteStatement query(db_, sql);
        if (query.next()) {
            take(query);
            return true;
        }
        const int code = db_.errorCode();
        damaged = code == SQLITE_CORRUPT || code == SQLITE_NOTADB;
        return !damaged && failOnDatabase();
    };
    const auto number = [](long long& into) {
        return [&into](SqliteStatement& query) { into = query.number(0); };
    };
    if (!read("PRAGMA application_id", number(applicationId)) ||
        !read("SELECT count(*) FROM sqlite_master", number(objects)))
        return false;
    if (applicationId != kApplicationId && objects > 0) {
        // Another program's database: kept aside like a damaged one.
        damaged = true;
        return false;
    }
    if (!read("PRAGMA journal_mode=WAL", [](SqliteStatement&) {}) ||
        !read("PRAGMA quick_check", [&check](SqliteStatement& query) { check = query.text(0); }))
        return false;
    if (check != "ok") {
        damaged = true;
        return false;
    }
    // Every committed change survives a crash of the program or of the machine. Room for the
    // pages of a site of 100,000 pages, so that a select-all reads each once. A select-all of
    // such a site rewrites some thousand pages; copying them back into the file after each
    // would double the time of the click, so the journal may grow larger before it is copied
    // back (and is, at the latest, when the memory closes).
    db_.exec("PRAGMA synchronous=FULL; PRAGMA cache_size=-32768; PRAGMA wal_autocheckpoint=10000");
    return objects > 0 || createTables();
}

bool SiteMemory::createTables() {
    const std::string schema =
        "CREATE TABLE IF NOT EXISTS sites(id INTEGER PRIMARY KEY, url TEXT NOT NULL UNIQUE);"
        "CREATE TABLE IF NOT EXISTS pages(site INTEGER NOT NULL, address TEXT NOT NULL, "
        "unticked INTEGER NOT NULL DEFAULT 0, changefreq TEXT, priority TEXT, set_at TEXT, "
        "PRIMARY KEY(site, address)) WITHOUT ROWID;"
        "PRAGMA application_id=" +
        std::to_string(kApplicationId) + ";PRAGMA user_version=" + std::to_string(kSchemaVersion);
    return db_.transaction([&] { return db_.exec(schema.c_str()); }) || failOnDatabase();
}

bool SiteMemory::moveAside() {
    db_.close();
    const std::string stamp =
        QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss")).toStdString();
    fs::path aside = file_;
    aside += ".damaged-" + stamp;
    std::error_code error;
    fs::rename(file_, aside, error);
    if (error)
        return fail(Problem::Kind::CannotOpen, error.message());
    // The journal belongs to the damaged file; the shared-memory index is rebuilt.
    fs::path wal = file_, walAside = aside, shm = file_;
    wal += "-wal";
    walAside += "-wal";
    shm += "-shm";
    fs::rename(wal, walAside, error);
    fs::remove(shm, error);
    tell({Problem::Kind::Damaged, file_, aside.string()});
    return true;
}

void SiteMemory::tell(const Problem& problem) {
    if (told_)
        return;
    told_ = true;
    if (onProblem_)
        onProblem_(problem);
}

bool SiteMemory::fail(Problem::Kind kind, std::string detail) {
    on_ = false;
    db_.close();
    locked_ = locked_ || kind == Problem::Kind::Locked;
    // A memory held from the start is the caller's to handle (see Locked).
    if (!(locked_ && opening_))
        tell({kind, file_, std::move(detail)});
    return false;
}

bool SiteMemory::failOnDatabase() {
    const int code = db_.errorCode();
    // Until the memory is on, the failure is one of opening it.
    const Problem::Kind kind = code == SQLITE_BUSY || code == SQLITE_LOCKED ? Problem::Kind::Locked
                               : on_                                        ? Problem::Kind::Failed
                                     : Problem::Kind::CannotOpen;
    return fail(kind, db_.errorMessage());
}

bool SiteMemory::findSite(bool create) {
    if (siteId_ >= 0)
        return true;
    SqliteStatement query(db_, "SELECT id FROM sites WHERE url = ?");
    query.bind(1, site_);
    if (query.next()) {
        siteId_ = query.number(0);
        return true;
    }
    if (!query.ok())
        return failOnDatabase();
    if (!create)
        return false;
    SqliteStatement insert(db_, "INSERT INTO sites(url) VALUES(?)");
    insert.bind(1, site_);
    if (!insert.run())
        return failOnDatabase();
    siteId_ = db_.lastInsertId();
    return true;
}

bool SiteMemory::knownPages(std::vector<PageChoice>& pages, bool choicesOnly) {
    SqliteStatement query(db_, choicesOnly
                                   ? "SELECT address, unticked, changefreq, priority, set_at "
                                     "FROM pages WHERE site = ? AND (unticked = 1 OR "
                                     "changefreq IS NOT NULL OR priority IS NOT NULL) "
                                     "ORDER BY address"
                                   : "SELECT address, unticked, changefreq, priority, set_at "
                                     "FROM pages WHERE site = ?");
    query.bind(1, siteId_);
    while (query.next()) {
        PageChoice& page = pages.emplace_back();
        page.address = query.text(0);
        page.unticked = query.number(1) != 0;
        page.changefreq = query.text(2);
        page.priority = query.text(3);
        page.setAt = query.text(4);
    }
    return query.ok() || failOnDatabase();
}

AppliedMemory SiteMemory::Apply(std::vector<std::string>& rows, bool learn) {
    AppliedMemory applied;
    applied.marks.assign(rows.size(), 0);
    if (!on_)
        return applied;

    // Every page the memory knows, and the choices of those that have one.
    AddressIndex known;
    std::vector<std::uint32_t> choiceOf; // per known page, kNone without a choice
    std::vector<PageChoice> choices;
    if (findSite(false)) {
        SqliteStatement count(db_, "SELECT count(*) FROM pages WHERE site = ?");
        count.bind(1, siteId_);
        known.reserve(count.next() ? std::size_t(count.number(0)) : 0);
        SqliteStatement query(db_, "SELECT address, unticked, changefreq, priority "
                                   "FROM pages WHERE site = ?");
        query.bind(1, siteId_);
        while (query.next()) {
            known.add(query.text(0));
            const bool unticked = query.number(1) != 0;
            if (!unticked && query.text(2).empty() && query.text(3).empty()) {
                choiceOf.push_back(AddressIndex::kNone);
                continue;
            }
            choiceOf.push_back(std::uint32_t(choices.size()));
            choices.push_back(
                {{}, unticked, std::string(query.text(2)), std::string(query.text(3)), {}});
        }
        if (!count.ok() || !query.ok())
            failOnDatabase();
    }
    if (!on_)
        return applied;

    std::vector<bool> matched(known.size(), false);
    std::size_t matchedCount = 0;
    std::vector<std::string> unknown;
    std::string address;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const UrlEntryLayout layout(rows[i]);
        address.assign(layout.Field(rows[i], UrlField::Link));
        address.append(layout.Field(rows[i], UrlField::Filename));
        const std::uint32_t found = known.find(address);
        if (found == AddressIndex::kNone) {
            // Before the memory knows any page of the site, every page would be new.
            if (known.size() > 0) {
                applied.marks[i] |= AppliedMemory::kNew;
                ++applied.fresh;
            }
            if (learn)
                unknown.push_back(address);
            continue;
        }
        if (!matched[found]) {
            matched[found] = true;
            ++matchedCount;
        }
        if (choiceOf[found] == AddressIndex::kNone)
            continue;
        const PageChoice& page = choices[choiceOf[found]];
        if (page.unticked) {
            applied.marks[i] |= AppliedMemory::kUnticked;
            ++applied.unticked;
        }
        if (!page.changefreq.empty() || !page.priority.empty()) {
            UrlEntryFields fields = ReadUrlEntry(rows[i]);
            if (!page.changefreq.empty())
                fields.changefreq = page.changefreq;
            if (!page.priority.empty())
                fields.priority = page.priority;
            rows[i] = BuildUrlEntry(fields);
            ++applied.edited;
        }
    }
    applied.missing = known.size() - matchedCount;

    if (learn && !unknown.empty()) {
        const bool learnt = db_.transaction([&] {
            if (!findSite(true))
                return false;
            SqliteStatement insert(db_, "INSERT OR IGNORE INTO pages(site, address) VALUES(?, ?)");
            for (const std::string& page : unknown) {
                insert.bind(1, siteId_);
                insert.bind(2, page);
                if (!insert.run())
                    return false;
            }
            return true;
        });
        if (!learnt)
            failOnDatabase();
    }
    return applied;
}

void SiteMemory::Record(const std::vector<PageChoice>& changes) {
    if (!on_ || changes.empty())
        return;
    const std::string now = QDateTime::currentDateTimeUtc().toString(Qt::ISODate).toStdString();
    const bool recorded = db_.transaction([&] {
        if (!findSite(true))
            return false;
        // Most changes are to pages the memory knows: one search for an update, an insert only
        // for the others.
        SqliteStatement update(db_, "UPDATE pages SET unticked = ?3, changefreq = ?4, "
                                    "priority = ?5, set_at = ?6 WHERE site = ?1 AND address = ?2");
        SqliteStatement insert(db_, "INSERT INTO pages(site, address, unticked, changefreq, "
                                    "priority, set_at) VALUES(?1, ?2, ?3, ?4, ?5, ?6)");
        for (const PageChoice& change : changes) {
            bool done = false;
            for (SqliteStatement* statement : {&update, &insert}) {
                statement->bind(1, siteId_);
                statement->bind(2, change.address);
                statement->bind(3, change.unticked ? 1LL : 0LL);
                statement->bind(4, change.changefreq);
                statement->bind(5, change.priority);
                statement->bind(6, change.IsChoice() ? std::string_view(now) : std::string_view());
                if (!statement->run())
                    return false;
                if ((done = db_.changes() > 0))
                    break;
            }
            if (!done)
                return false;
        }
        return true;
    });
    if (!recorded)
        failOnDatabase();
}

std::vector<std::string> SiteMemory::Missing(const std::vector<std::string>& rows) {
    std::vector<std::string> missing;
    std::vector<PageChoice> pages;
    if (!on_ || !findSite(false) || !knownPages(pages, false))
        return missing;
    std::unordered_set<std::string> present;
    present.reserve(rows.size());
    for (const std::string& row : rows)
        present.insert(RowAddress(row));
    for (PageChoice& page : pages)
        if (present.count(page.address) == 0)
            missing.push_back(std::move(page.address));
    return missing;
}

std::size_t SiteMemory::Forget(const std::vector<std::string>& addresses) {
    if (!on_ || addresses.empty() || !findSite(false) || !checksTable())
        return 0;
    std::size_t forgotten = 0;
    const bool done = db_.transaction([&] {
        SqliteStatement remove(db_, "DELETE FROM pages WHERE site = ? AND address = ?");
        SqliteStatement checks(db_, "DELETE FROM checks WHERE site = ? AND address = ?");
        for (const std::string& address : addresses) {
            remove.bind(1, siteId_);
            remove.bind(2, address);
            if (!remove.run())
                return false;
            forgotten += std::size_t(db_.changes());
            checks.bind(1, siteId_);
            checks.bind(2, address);
            if (!checks.run())
                return false;
        }
        return true;
    });
    if (!done) {
        failOnDatabase();
        return 0;
    }
    return forgotten;
}

std::size_t SiteMemory::Reset() {
    if (!on_ || !findSite(false) || !checksTable())
        return 0;
    std::size_t forgotten = 0;
    const bool done = db_.transaction([&] {
        SqliteStatement pages(db_, "DELETE FROM pages WHERE site = ?");
        SqliteStatement checks(db_, "DELETE FROM checks WHERE site = ?");
        SqliteStatement site(db_, "DELETE FROM sites WHERE id = ?");
        pages.bind(1, siteId_);
        checks.bind(1, siteId_);
        site.bind(1, siteId_);
        if (!pages.run())
            return false;
        forgotten = std::size_t(db_.changes());
        return checks.run() && site.run();
    });
    if (!done) {
        failOnDatabase();
        return 0;
    }
    siteId_ = -1;
    return forgotten;
}

std::vector<PageChoice> SiteMemory::List() {
    std::vector<PageChoice> pages;
    if (on_ && findSite(false))
        knownPages(pages, true);
    return pages;
}
