// The site memory's record of what the search engines were last told, so that a notification
// sends only what changed since.
#include "memory/site_memory.h"

bool SiteMemory::createNotifiedTables() {
    return db_.exec("CREATE TABLE IF NOT EXISTS notifications(site INTEGER PRIMARY KEY, "
                    "key TEXT NOT NULL);"
                    "CREATE TABLE IF NOT EXISTS notified(site INTEGER NOT NULL, "
                    "address TEXT NOT NULL, lastmod TEXT, PRIMARY KEY(site, address)) "
                    "WITHOUT ROWID;") ||
           failOnDatabase();
}

std::optional<NotifiedState> SiteMemory::Notified() {
    if (!on_ || !findSite(false) || !createNotifiedTables())
        return std::nullopt;
    NotifiedState state;
    SqliteStatement key(db_, "SELECT key FROM notifications WHERE site = ?");
    key.bind(1, siteId_);
    if (!key.next()) {
        if (!key.ok())
            failOnDatabase();
        return std::nullopt;
    }
    state.key = std::string(key.text(0));
    SqliteStatement pages(db_, "SELECT address, lastmod FROM notified WHERE site = ? "
                               "ORDER BY address");
    pages.bind(1, siteId_);
    while (pages.next())
        state.pages.emplace_back(pages.text(0), pages.text(1));
    if (!pages.ok()) {
        failOnDatabase();
        return std::nullopt;
    }
    return state;
}

bool SiteMemory::KeepNotified(const NotifiedState& state) {
    if (!on_)
        return false;
    return db_.transaction([&] {
        if (!findSite(true) || !createNotifiedTables())
            return false;
        SqliteStatement key(db_, "INSERT OR REPLACE INTO notifications(site, key) VALUES(?, ?)");
        key.bind(1, siteId_);
        key.bind(2, state.key);
        SqliteStatement clear(db_, "DELETE FROM notified WHERE site = ?");
        clear.bind(1, siteId_);
        if (!key.run() || !clear.run())
            return false;
        SqliteStatement insert(db_, "INSERT OR REPLACE INTO notified(site, address, lastmod) "
                                    "VALUES(?, ?, ?)");
        for (const auto& [address, lastmod] : state.pages) {
            insert.bind(1, siteId_);
            insert.bind(2, address);
            insert.bind(3, lastmod);
            if (!insert.run())
                return false;
        }
        return true;
    }) || failOnDatabase();
}
