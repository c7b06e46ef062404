#include "memory/site_memory.h"

#include <atomic>
#include <cerrno>
#include <cstring>
#include <unordered_map>
#include <unordered_set>

#include <QDateTime>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

#include <fcntl.h>
#include <unistd.h>

#include "app/file_io.h"
#include "app/text_util.h"
#include "app/texts.h"
#include "app/url_entry.h"

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

// A text column's value; empty for NULL.
QVariant nullable(const std::string& text) {
    return text.empty() ? QVariant(QMetaType::fromType<QString>()) : QVariant(qtext(text));
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
    if (QSqlDatabase::contains(connection_))
        QSqlDatabase::removeDatabase(connection_);
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection_);
    db.setDatabaseName(QString::fromStdString(file_.string()));
    db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(busyTimeout_.count()));
    if (!db.open()) {
        fail(db.lastError().text());
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
    if (QSqlDatabase::contains(connection_))
        QSqlDatabase::database(connection_, false).close();
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
    QSqlQuery query(QSqlDatabase::database(connection_, false));
    query.setForwardOnly(true);
    query.prepare(choicesOnly
                      ? QStringLiteral("SELECT address, unticked, changefreq, priority, set_at "
                                       "FROM pages WHERE site = ? AND (unticked = 1 OR "
                                       "changefreq IS NOT NULL OR priority IS NOT NULL) "
                                       "ORDER BY address")
                      : QStringLiteral("SELECT address, unticked, changefreq, priority, set_at "
                                       "FROM pages WHERE site = ?"));
    query.addBindValue(siteId_);
    if (!query.exec()) {
        fail(query.lastError().text());
        return false;
    }
    while (query.next()) {
        PageChoice page;
        page.address = utf8(query.value(0).toString());
        page.unticked = query.value(1).toInt() != 0;
        page.changefreq = utf8(query.value(2).toString());
        page.priority = utf8(query.value(3).toString());
        page.setAt = utf8(query.value(4).toString());
        pages.push_back(std::move(page));
    }
    if (query.lastError().isValid()) {
        fail(query.lastError().text());
        return false;
    }
    return true;
}

AppliedMemory SiteMemory::Apply(std::vector<std::string>& rows, bool learn) {
    AppliedMemory applied;
    applied.marks.assign(rows.size(), 0);
    if (!on_)
        return applied;
    const bool known = findSite(false);
    std::vector<PageChoice> pages;
    if (known && !knownPages(pages, false))
        return applied;

    std::unordered_map<std::string_view, std::size_t> byAddress;
    byAddress.reserve(pages.size());
    for (std::size_t i = 0; i < pages.size(); ++i)
        byAddress.emplace(pages[i].address, i);
    std::vector<bool> matched(pages.size(), false);
    std::size_t matchedCount = 0;
    std::vector<std::string> unknown;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        std::string address = RowAddress(rows[i]);
        const auto found = byAddress.find(address);
        if (found == byAddress.end()) {
            // Before the memory knows any page of the site, every page would be new.
            if (!pages.empty()) {
                applied.marks[i] |= AppliedMemory::kNew;
                ++applied.fresh;
            }
            if (learn)
                unknown.push_back(std::move(address));
            continue;
        }
        const PageChoice& page = pages[found->second];
        if (!matched[found->second]) {
            matched[found->second] = true;
            ++matchedCount;
        }
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
    applied.missing = pages.size() - matchedCount;

    if (learn && !unknown.empty()) {
        const QSqlDatabase db = QSqlDatabase::database(connection_, false);
        WriteTransaction transaction(db);
        if (!transaction.begun()) {
            fail(transaction.lastError().text());
            return applied;
        }
        if (!findSite(true))
            return applied;
        QSqlQuery insert(db);
        insert.prepare(QStringLiteral("INSERT OR IGNORE INTO pages(site, address) VALUES(?, ?)"));
        for (const std::string& address : unknown) {
            insert.bindValue(0, siteId_);
            insert.bindValue(1, qtext(address));
            if (!insert.exec()) {
                fail(insert.lastError().text());
                return applied;
            }
        }
        if (!transaction.commit())
            fail(transaction.lastError().text());
    }
    return applied;
}

void SiteMemory::Record(const std::vector<PageChoice>& changes) {
    if (!on_ || changes.empty())
        return;
    const QSqlDatabase db = QSqlDatabase::database(connection_, false);
    WriteTransaction transaction(db);
    if (!transaction.begun()) {
        fail(transaction.lastError().text());
        return;
    }
    if (!findSite(true))
        return;
    const QVariant now = nowUtc();
    const QVariant none(QMetaType::fromType<QString>());
    QSqlQuery upsert(db);
    upsert.prepare(
        QStringLiteral("INSERT INTO pages(site, address, unticked, changefreq, priority, set_at) "
                       "VALUES(?, ?, ?, ?, ?, ?) ON CONFLICT(site, address) DO UPDATE SET "
                       "unticked = excluded.unticked, changefreq = excluded.changefreq, "
                       "priority = excluded.priority, set_at = excluded.set_at"));
    for (const PageChoice& change : changes) {
        upsert.bindValue(0, siteId_);
        upsert.bindValue(1, qtext(change.address));
        upsert.bindValue(2, change.unticked ? 1 : 0);
        upsert.bindValue(3, nullable(change.changefreq));
        upsert.bindValue(4, nullable(change.priority));
        upsert.bindValue(5, change.IsChoice() ? now : none);
        if (!upsert.exec()) {
            fail(upsert.lastError().text());
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
