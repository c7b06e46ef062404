#include "memory/sqlite_database.h"

#include <sqlite3.h>

bool SqliteDatabase::open(const std::filesystem::path& file,
                          std::chrono::milliseconds busyTimeout) {
    close();
    // One connection lives on one thread, so SQLite's own mutexes are not needed.
    const int result =
        sqlite3_open_v2(file.c_str(), &db_,
                        SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX, nullptr);
    if (result != SQLITE_OK) {
        // Without a handle there is no message but the code's own.
        if (!db_) {
            errorCode_ = result;
            errorMessage_ = sqlite3_errstr(result);
            return false;
        }
        failed();
        close();
        return false;
    }
    sqlite3_busy_timeout(db_, int(busyTimeout.count()));
    return true;
}

void SqliteDatabase::close() {
    // Statements are finalized by their owners first; close_v2 waits for any left.
    sqlite3_close_v2(db_);
    db_ = nullptr;
}

bool SqliteDatabase::exec(const char* sql) {
    return sqlite3_exec(db_, sql, nullptr, nullptr, nullptr) == SQLITE_OK || failed();
}

bool SqliteDatabase::transaction(const std::function<bool()>& work) {
    if (!exec("BEGIN IMMEDIATE"))
        return false;
    if (work() && exec("COMMIT"))
        return true;
    // The error kept is the work's or the commit's, not the rollback's. Work that failed may
    // have closed the connection, which rolls back on its own.
    if (db_ && !sqlite3_get_autocommit(db_))
        sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
    return false;
}

long long SqliteDatabase::changes() const {
    return sqlite3_changes(db_);
}

long long SqliteDatabase::lastInsertId() const {
    return sqlite3_last_insert_rowid(db_);
}

bool SqliteDatabase::failed() {
    errorCode_ = sqlite3_errcode(db_) & 0xFF;
    errorMessage_ = sqlite3_errmsg(db_);
    return false;
}

SqliteStatement::SqliteStatement(SqliteDatabase& db, const char* sql) : db_(db) {
    if (sqlite3_prepare_v2(db.handle(), sql, -1, &statement_, nullptr) != SQLITE_OK) {
        db.failed();
        sqlite3_finalize(statement_);
        statement_ = nullptr;
        ok_ = false;
    }
}

SqliteStatement::~SqliteStatement() {
    sqlite3_finalize(statement_);
}

void SqliteStatement::bind(int at, std::string_view text) {
    if (text.empty())
        sqlite3_bind_null(statement_, at);
    else
        sqlite3_bind_text(statement_, at, text.data(), int(text.size()), SQLITE_STATIC);
}

void SqliteStatement::bind(int at, long long number) {
    sqlite3_bind_int64(statement_, at, number);
}

bool SqliteStatement::next() {
    if (!ok_)
        return false;
    const int result = sqlite3_step(statement_);
    if (result == SQLITE_ROW)
        return true;
    if (result != SQLITE_DONE)
        ok_ = db_.failed();
    return false;
}

bool SqliteStatement::run() {
    while (next()) {
    }
    sqlite3_reset(statement_);
    return ok_;
}

std::string_view SqliteStatement::text(int column) const {
    const auto* bytes = reinterpret_cast<const char*>(sqlite3_column_text(statement_, column));
    return bytes ? std::string_view(bytes, std::size_t(sqlite3_column_bytes(statement_, column)))
                 : std::string_view();
}

long long SqliteStatement::number(int column) const {
    return sqlite3_column_int64(statement_, column);
}
