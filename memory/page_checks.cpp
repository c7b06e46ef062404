// The site memory's part for the page check: per page the validators and body hash last seen,
// the lastmod last written, and the user's tick against the check.
#include "memory/site_memory.h"

bool SiteMemory::checksTable() {
    return db_.exec("CREATE TABLE IF NOT EXISTS checks(site INTEGER NOT NULL, "
                    "address TEXT NOT NULL, etag TEXT, last_modified TEXT, body_sha256 TEXT, "
                    "lastmod TEXT, ticked_anyway INTEGER NOT NULL DEFAULT 0, "
                    "PRIMARY KEY(site, address)) WITHOUT ROWID") ||
           failOnDatabase();
}

std::vector<CheckedPage> SiteMemory::CheckedPages() {
    std::vector<CheckedPage> pages;
    if (!on_ || !findSite(false) || !checksTable())
        return pages;
    SqliteStatement query(db_, "SELECT address, etag, last_modified, body_sha256, lastmod, "
                               "ticked_anyway FROM checks WHERE site = ?");
    query.bind(1, siteId_);
    while (query.next())
        pages.push_back({std::string(query.text(0)), std::string(query.text(1)),
                         std::string(query.text(2)), std::string(query.text(3)),
                         std::string(query.text(4)), query.number(5) != 0});
    if (!query.ok())
        failOnDatabase();
    return pages;
}

void SiteMemory::RecordChecks(const std::vector<CheckedPage>& pages) {
    if (!on_ || pages.empty() || !checksTable())
        return;
    const bool recorded = db_.transaction([&] {
        if (!findSite(true))
            return false;
        SqliteStatement upsert(
            db_, "INSERT INTO checks(site, address, etag, last_modified, body_sha256, lastmod) "
                 "VALUES(?1, ?2, ?3, ?4, ?5, ?6) ON CONFLICT(site, address) DO UPDATE SET "
                 "etag = ?3, last_modified = ?4, body_sha256 = ?5, lastmod = ?6");
        for (const CheckedPage& page : pages) {
            upsert.bind(1, siteId_);
            upsert.bind(2, page.address);
            upsert.bind(3, page.etag);
            upsert.bind(4, page.lastModified);
            upsert.bind(5, page.bodySha256);
            upsert.bind(6, page.lastmod);
            if (!upsert.run())
                return false;
        }
        return true;
    });
    if (!recorded)
        failOnDatabase();
}

void SiteMemory::SetTickedAnyway(const std::vector<std::string>& addresses, bool ticked) {
    if (!on_ || addresses.empty() || !checksTable())
        return;
    const bool recorded = db_.transaction([&] {
        if (!findSite(true))
            return false;
        SqliteStatement upsert(db_, "INSERT INTO checks(site, address, ticked_anyway) "
                                    "VALUES(?1, ?2, ?3) ON CONFLICT(site, address) DO UPDATE "
                                    "SET ticked_anyway = ?3");
        for (const std::string& address : addresses) {
            upsert.bind(1, siteId_);
            upsert.bind(2, address);
            upsert.bind(3, ticked ? 1LL : 0LL);
            if (!upsert.run())
                return false;
        }
        return true;
    });
    if (!recorded)
        failOnDatabase();
}
