#include "memory/site_memory.h"

#include <atomic>
#include <cerrno>
#include <cstring>
#include <unordered_set>

#include <QDateTime>
#include <QSqlDatabase>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

#include <sqlite3.h>

#include <fcntl.h>
#include <unistd.h>

#include "core/file_io.h"
#include "core/text_util.h"
#include "core/texts.h"
#include "core/url_entry.h"

namespace fs = std::filesystem;

namespace {

// Marks the file as this program's, so that another program's database is not taken for ours.
constexpr int kApplicationId = 0x53577231;
constexpr int kSchemaVersion = 1;

// SQLite's primary result codes that mean the file is no database of ours or is damaged.
constexpr int kSqliteCorrupt = 11;
constexpr int kSqliteNotADatabase = 26;

QString qtext(std::string_view text) {
    return QString::fromUtf8(text.data(), qsizetype(text.size()));
}

std::string utf8(const QString& text) {
    const QByteArray bytes = text.toUtf8();
    return std::string(bytes.constData(), std::size_t(bytes.size()));
}

bool isDamage(const QSqlError& error) {
    const int code = error.nativeErrorCode().toInt() & 0xFF;
    return code == kSqliteCorrupt || code == kSqliteNotADatabase;
}

QString nowUtc() {
    return QDateTime::currentDateTimeUtc().toString(Qt::ISODate);
}

// A write transaction that rolls back unless committed. BEGIN IMMEDIATE takes the write lock
// at once, so that a busy database is waited for (up to the busy timeout) before any work.
class WriteTransaction final {
public:
    explicit WriteTransaction(const QSqlDatabase& db) : query_(db) {
        begun_ = query_.exec(QStringLiteral("BEGIN IMMEDIATE"));
    }
    ~WriteTransaction() {
        if (begun_ && !committed_)
            query_.exec(QStringLiteral("ROLLBACK"));
    }
    WriteTransaction(const WriteTransaction&) = delete;
    WriteTransaction& operator=(const WriteTransaction&) = delete;

    bool begun() const { return begun_; }
    bool commit() {
        committed_ = query_.exec(QStringLiteral("COMMIT"));
        return committed_;
    }
    QSqlError lastError() const { return query_.lastError(); }

private:
    QSqlQuery query_;
    bool begun_ = false;
    bool committed_ = false;
};

// A prepared statement on the driver's own SQLite handle: the per-row work of a retrieval of
// 100,000 pages goes through here, since a QVariant per value costs several times as much.
class Statement final {
public:
    Statement(sqlite3* db, const char* sql) {
        if (sqlite3_prepare_v2(db, sql, -1, &statement_, nullptr) != SQLITE_OK) {
            sqlite3_finalize(statement_);
            statement_ = nullptr;
        }
    }
    ~Statement() { sqlite3_finalize(statement_); }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    bool prepared() const { return statement_ != nullptr; }
    // The texts bound must stay until the next step.
    void bind(int at, std::string_view text) {
        if (text.empty())
            sqlite3_bind_null(statement_, at);
        else
            sqlite3_bind_text(statement_, at, text.data(), int(text.size()), SQLITE_STATIC);
    }
    void bind(int at, long long number) { sqlite3_bind_int64(statement_, at, number); }
    // SQLITE_ROW, SQLITE_DONE or an error.
    int step() { return sqlite3_step(statement_); }
    // Steps to the end and makes the statement ready for the next values; false on an error.
    bool run() {
        const int result = sqlite3_step(statement_);
        sqlite3_reset(statement_);
        return result == SQLITE_DONE;
    }
    std::string_view text(int column) const {
        const auto* bytes = reinterpret_cast<const char*>(sqlite3_column_text(statement_, column));
        return bytes
                   ? std::string_view(bytes, std::size_t(sqlite3_column_bytes(statement_, column)))
                   : std::string_view();
    }
    long long number(int column) const { return sqlite3_column_int64(statement_, column); }

private:
    sqlite3_stmt* statement_ = nullptr;
};

// The pages a site memory knows, found by address: the addresses lie one after the other in
// one text and an open-addressing table of their hashes points at them, so that looking up
// each row of a large retrieval costs one or two cache misses and no allocation.
class AddressIndex final {
public:
    static constexpr std::uint32_t kNone = UINT32_MAX;

    void reserve(std::size_t pages) {
        std::size_t size = 16;
        while (size < 2 * pages)
            size *= 2;
        slots_.assign(size, 0);
    }
    // Adds an address not added before; returns its number.
    std::uint32_t add(std::string_view address) {
        const auto number = std::uint32_t(spans_.size());
        spans_.push_back({std::uint32_t(text_.size()), std::uint32_t(address.size())});
        text_.append(address);
        if (2 * spans_.size() > slots_.size())
            grow();
        place(number, std::hash<std::string_view>()(address));
        return number;
    }
    std::uint32_t find(std::string_view address) const {
        if (spans_.empty())
            return kNone;
        const std::size_t hash = std::hash<std::string_view>()(address);
        const std::uint64_t tag = hash >> 32;
        for (std::size_t at = hash & (slots_.size() - 1);; at = (at + 1) & (slots_.size() - 1)) {
            const std::uint64_t slot = slots_[at];
            if (slot == 0)
                return kNone;
            const auto number = std::uint32_t(slot) - 1;
            if ((slot >> 32) == tag && this->address(number) == address)
                return number;
        }
    }
    std::string_view address(std::uint32_t number) const {
        return std::string_view(text_).substr(spans_[number].first, spans_[number].second);
    }
    std::size_t size() const { return spans_.size(); }

private:
    void place(std::uint32_t number, std::size_t hash) {
        std::size_t at = hash & (slots_.size() - 1);
        while (slots_[at] != 0)
            at = (at + 1) & (slots_.size() - 1);
        slots_[at] = (std::uint64_t(hash >> 32) << 32) | (number + 1);
    }
    void grow() {
        slots_.assign(slots_.empty() ? 16 : slots_.size() * 2, 0);
        for (std::uint32_t number = 0; number < spans_.size(); ++number)
            place(number, std::hash<std::string_view>()(address(number)));
    }

    std::string text_;
    std::vector<std::pair<std::uint32_t, std::uint32_t>> spans_; // offset and length in text_
    std::vector<std::uint64_t> slots_; // hash's upper half, number + 1; 0: empty
};

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
    static std::atomic<int> connections{0};
    connection_ = QStringLiteral("site_memory_%1").arg(++connections);
    on_ = open(create);
    opening_ = false;
}

SiteMemory::~SiteMemory() {
    if (QSqlDatabase::contains(connection_)) {
        QSqlDatabase::database(connection_, false).close();
        QSqlDatabase::removeDatabase(connection_);
    }
}

bool SiteMemory::open(bool create) {
    std::error_code missing;
    if (!create && !fs::exists(file_, missing))
        return false;
    if (!QSqlDatabase::isDriverAvailable(QStringLiteral("QSQLITE"))) {
        fail(QStringLiteral("QSQLITE"));
        return false;
    }
    bool damaged = false;
    if (openOnce(create, damaged))
        return true;
    if (!damaged)
        return false;
    if (const std::string problem = moveAside(); !problem.empty()) {
        fail(QString::fromStdString(problem));
        return false;
    }
    return openOnce(true, damaged);
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
        if (fd < 0 && errno != EEXIST) {
            fail(QString::fromLocal8Bit(std::strerror(errno)));
            return false;
        }
        if (fd >= 0)
            ::close(fd);
    }
    handle_ = nullptr;
    if (QSqlDatabase::contains(connection_))
        QSqlDatabase::removeDatabase(connection_);
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection_);
    db.setDatabaseName(QString::fromStdString(file_.string()));
    db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(busyTimeout_.count()));
    if (!db.open()) {
        fail(db.lastError().text());
        return false;
    }
    const QVariant handle = db.driver()->handle();
    if (!handle.isValid() || std::strcmp(handle.typeName(), "sqlite3*") != 0 ||
        !(handle_ = *static_cast<sqlite3* const*>(handle.constData()))) {
        fail(QStringLiteral("QSQLITE"));
        return false;
    }

    QSqlQuery query(db);
    // The first read of the file: garbage shows here as "not a database".
    const auto read = [&](const QString& statement) {
        if (query.exec(statement) && query.next())
            return true;
        damaged = isDamage(query.lastError());
        if (!damaged)
            fail(query.lastError().text());
        return false;
    };
    if (!read(QStringLiteral("PRAGMA application_id")))
        return false;
    const int applicationId = query.value(0).toInt();
    if (!read(QStringLiteral("SELECT count(*) FROM sqlite_master")))
        return false;
    const bool empty = query.value(0).toInt() == 0;
    if (applicationId != kApplicationId && !empty) {
        // Another program's database: kept aside like a damaged one.
        damaged = true;
        return false;
    }
    if (!read(QStringLiteral("PRAGMA journal_mode=WAL")))
        return false;
    if (!read(QStringLiteral("PRAGMA quick_check")))
        return false;
    if (query.value(0).toString() != QStringLiteral("ok")) {
        damaged = true;
        return false;
    }
    // Every committed change survives a crash of the program or of the machine.
    query.exec(QStringLiteral("PRAGMA synchronous=FULL"));
    // Room for the pages of a site of 100,000 pages, so that a select-all reads each once.
    query.exec(QStringLiteral("PRAGMA cache_size=-32768"));
    // A select-all of such a site rewrites some thousand pages; copying them back into the
    // file after each would double the time of the click, so the journal may grow larger
    // before it is copied back (and is, at the latest, when the memory closes).
    query.exec(QStringLiteral("PRAGMA wal_autocheckpoint=10000"));
    if (!empty)
        return true;

    WriteTransaction transaction(db);
    const bool made =
        transaction.begun() &&
        query.exec(QStringLiteral("CREATE TABLE IF NOT EXISTS sites("
                                  "id INTEGER PRIMARY KEY, url TEXT NOT NULL UNIQUE)")) &&
        query.exec(QStringLiteral("CREATE TABLE IF NOT EXISTS pages("
                                  "site INTEGER NOT NULL, address TEXT NOT NULL, "
                                  "unticked INTEGER NOT NULL DEFAULT 0, changefreq TEXT, "
                                  "priority TEXT, set_at TEXT, PRIMARY KEY(site, address)) "
                                  "WITHOUT ROWID")) &&
        query.exec(QStringLiteral("PRAGMA application_id=%1").arg(kApplicationId)) &&
        query.exec(QStringLiteral("PRAGMA user_version=%1").arg(kSchemaVersion)) &&
        transaction.commit();
    if (!made) {
        fail(transaction.begun() ? query.lastError().text() : transaction.lastError().text());
        return false;
    }
    return true;
}

std::string SiteMemory::moveAside() {
    if (QSqlDatabase::contains(connection_)) {
        QSqlDatabase::database(connection_, false).close();
        QSqlDatabase::removeDatabase(connection_);
    }
    handle_ = nullptr;
    const std::string stamp =
        utf8(QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss")));
    fs::path aside = file_;
    aside += ".damaged-" + stamp;
    std::error_code error;
    fs::rename(file_, aside, error);
    if (error)
        return error.message();
    // The journal belongs to the damaged file; the shared-memory index is rebuilt.
    fs::path wal = file_, walAside = aside, shm = file_;
    wal += "-wal";
    walAside += "-wal";
    shm += "-shm";
    fs::rename(wal, walAside, error);
    fs::remove(shm, error);
    tell(Filled(texts::kMemoryDamaged, {{"file", file_.string()}, {"aside", aside.string()}}));
    return {};
}

void SiteMemory::tell(const std::string& text) {
    if (told_)
        return;
    told_ = true;
    if (onProblem_)
        onProblem_(text);
}

void SiteMemory::fail(const QString& reason) {
    on_ = false;
    if (handle_) {
        const int code = sqlite3_errcode(handle_);
        locked_ = locked_ || code == SQLITE_BUSY || code == SQLITE_LOCKED;
    }
    if (QSqlDatabase::contains(connection_))
        QSqlDatabase::database(connection_, false).close();
    handle_ = nullptr;
    // A memory held from the start is the caller's to handle (see Locked).
    if (locked_ && opening_)
        return;
    tell(Concat({Filled(texts::kMemoryUnavailable, {{"file", file_.string()}}), texts::kLineBreak,
                 utf8(reason)}));
}

bool SiteMemory::findSite(bool create) {
    if (siteId_ >= 0)
        return true;
    QSqlQuery query(QSqlDatabase::database(connection_, false));
    query.prepare(QStringLiteral("SELECT id FROM sites WHERE url = ?"));
    query.addBindValue(qtext(site_));
    if (!query.exec()) {
        fail(query.lastError().text());
        return false;
    }
    if (query.next()) {
        siteId_ = query.value(0).toLongLong();
        return true;
    }
    if (!create)
        return false;
    query.prepare(QStringLiteral("INSERT INTO sites(url) VALUES(?)"));
    query.addBindValue(qtext(site_));
    if (!query.exec()) {
        fail(query.lastError().text());
        return false;
    }
    siteId_ = query.lastInsertId().toLongLong();
    return true;
}

bool SiteMemory::knownPages(std::vector<PageChoice>& pages, bool choicesOnly) {
    Statement query(handle_, choicesOnly ? "SELECT address, unticked, changefreq, priority, set_at "
                                           "FROM pages WHERE site = ? AND (unticked = 1 OR "
                                           "changefreq IS NOT NULL OR priority IS NOT NULL) "
                                           "ORDER BY address"
                                         : "SELECT address, unticked, changefreq, priority, set_at "
                                           "FROM pages WHERE site = ?");
    if (!query.prepared())
        return failOnHandle();
    query.bind(1, siteId_);
    int result = SQLITE_ROW;
    while ((result = query.step()) == SQLITE_ROW) {
        PageChoice& page = pages.emplace_back();
        page.address = query.text(0);
        page.unticked = query.number(1) != 0;
        page.changefreq = query.text(2);
        page.priority = query.text(3);
        page.setAt = query.text(4);
    }
    return result == SQLITE_DONE || failOnHandle();
}

bool SiteMemory::failOnHandle() {
    fail(QString::fromUtf8(sqlite3_errmsg(handle_)));
    return false;
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
        Statement count(handle_, "SELECT count(*) FROM pages WHERE site = ?");
        Statement query(handle_, "SELECT address, unticked, changefreq, priority "
                                 "FROM pages WHERE site = ?");
        if (!count.prepared() || !query.prepared()) {
            failOnHandle();
            return applied;
        }
        count.bind(1, siteId_);
        known.reserve(count.step() == SQLITE_ROW ? std::size_t(count.number(0)) : 0);
        query.bind(1, siteId_);
        int result = SQLITE_ROW;
        while ((result = query.step()) == SQLITE_ROW) {
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
        if (result != SQLITE_DONE) {
            failOnHandle();
            return applied;
        }
    }

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
        WriteTransaction transaction(QSqlDatabase::database(connection_, false));
        if (!transaction.begun()) {
            fail(transaction.lastError().text());
            return applied;
        }
        if (!findSite(true))
            return applied;
        Statement insert(handle_, "INSERT OR IGNORE INTO pages(site, address) VALUES(?, ?)");
        bool inserted = insert.prepared();
        for (std::size_t i = 0; inserted && i < unknown.size(); ++i) {
            insert.bind(1, siteId_);
            insert.bind(2, unknown[i]);
            inserted = insert.run();
        }
        if (!inserted)
            failOnHandle();
        else if (!transaction.commit())
            fail(transaction.lastError().text());
    }
    return applied;
}

void SiteMemory::Record(const std::vector<PageChoice>& changes) {
    if (!on_ || changes.empty())
        return;
    WriteTransaction transaction(QSqlDatabase::database(connection_, false));
    if (!transaction.begun()) {
        fail(transaction.lastError().text());
        return;
    }
    if (!findSite(true))
        return;
    const std::string now = utf8(nowUtc());
    // Most changes are to pages the memory knows: one search for an update, an insert only
    // for the others.
    Statement update(handle_, "UPDATE pages SET unticked = ?3, changefreq = ?4, priority = ?5, "
                              "set_at = ?6 WHERE site = ?1 AND address = ?2");
    Statement insert(handle_, "INSERT INTO pages(site, address, unticked, changefreq, priority, "
                              "set_at) VALUES(?1, ?2, ?3, ?4, ?5, ?6)");
    if (!update.prepared() || !insert.prepared()) {
        failOnHandle();
        return;
    }
    for (const PageChoice& change : changes) {
        bool done = false;
        for (Statement* statement : {&update, &insert}) {
            statement->bind(1, siteId_);
            statement->bind(2, change.address);
            statement->bind(3, change.unticked ? 1LL : 0LL);
            statement->bind(4, change.changefreq);
            statement->bind(5, change.priority);
            statement->bind(6, change.IsChoice() ? std::string_view(now) : std::string_view());
            if (!statement->run()) {
                failOnHandle();
                return;
            }
            if ((done = sqlite3_changes(handle_) > 0))
                break;
        }
        if (!done) {
            failOnHandle();
            return;
        }
    }
    if (!transaction.commit())
        fail(transaction.lastError().text());
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
    if (!on_ || addresses.empty() || !findSite(false))
        return 0;
    const QSqlDatabase db = QSqlDatabase::database(connection_, false);
    WriteTransaction transaction(db);
    if (!transaction.begun()) {
        fail(transaction.lastError().text());
        return 0;
    }
    QSqlQuery remove(db);
    remove.prepare(QStringLiteral("DELETE FROM pages WHERE site = ? AND address = ?"));
    std::size_t forgotten = 0;
    for (const std::string& address : addresses) {
        remove.bindValue(0, siteId_);
        remove.bindValue(1, qtext(address));
        if (!remove.exec()) {
            fail(remove.lastError().text());
            return 0;
        }
        forgotten += std::size_t(std::max(remove.numRowsAffected(), 0));
    }
    if (!transaction.commit()) {
        fail(transaction.lastError().text());
        return 0;
    }
    return forgotten;
}

std::size_t SiteMemory::Reset() {
    if (!on_ || !findSite(false))
        return 0;
    const QSqlDatabase db = QSqlDatabase::database(connection_, false);
    WriteTransaction transaction(db);
    if (!transaction.begun()) {
        fail(transaction.lastError().text());
        return 0;
    }
    QSqlQuery remove(db);
    remove.prepare(QStringLiteral("DELETE FROM pages WHERE site = ?"));
    remove.addBindValue(siteId_);
    bool done = remove.exec();
    const std::size_t forgotten = done ? std::size_t(std::max(remove.numRowsAffected(), 0)) : 0;
    if (done) {
        remove.prepare(QStringLiteral("DELETE FROM sites WHERE id = ?"));
        remove.addBindValue(siteId_);
        done = remove.exec();
    }
    if (!done) {
        fail(remove.lastError().text());
        return 0;
    }
    if (!transaction.commit()) {
        fail(transaction.lastError().text());
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
