#pragma once

#include <chrono>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>

struct sqlite3;
struct sqlite3_stmt;

// A connection to one SQLite file through the C API, owning its handle. A call that fails keeps
// SQLite's result code and message, so that a later rollback does not overwrite them.
class SqliteDatabase final {
public:
    SqliteDatabase() = default;
    ~SqliteDatabase() { close(); }
    SqliteDatabase(const SqliteDatabase&) = delete;
    SqliteDatabase& operator=(const SqliteDatabase&) = delete;

    // Opens file, creating it when missing, waiting up to busyTimeout for another's lock.
    bool open(const std::filesystem::path& file, std::chrono::milliseconds busyTimeout);
    void close();

    // Runs statements that return nothing (a row they return is passed over); false on an error.
    bool exec(const char* sql);
    // Runs work in one write transaction and commits when it returns true; rolls back when it
    // returns false or the commit fails. BEGIN IMMEDIATE takes the write lock at once, so that a
    // busy file is waited for (up to the busy timeout) before any work.
    bool transaction(const std::function<bool()>& work);

    // Rows changed by the last INSERT, UPDATE or DELETE; the row id the last INSERT gave.
    long long changes() const;
    long long lastInsertId() const;

    // Keeps the handle's last error as this connection's error; false.
    bool failed();
    int errorCode() const { return errorCode_; } // SQLite's primary result code
    const std::string& errorMessage() const { return errorMessage_; }

    sqlite3* handle() const { return db_; }

private:
    sqlite3* db_ = nullptr;
    int errorCode_ = 0;
    std::string errorMessage_;
};

// A prepared statement; a step that fails keeps its error in the database.
class SqliteStatement final {
public:
    SqliteStatement(SqliteDatabase& db, const char* sql);
    ~SqliteStatement();
    SqliteStatement(const SqliteStatement&) = delete;
    SqliteStatement& operator=(const SqliteStatement&) = delete;

    bool prepared() const { return statement_ != nullptr; }
    // The texts bound must stay until the next step; an empty text binds NULL.
    void bind(int at, std::string_view text);
    void bind(int at, long long number);
    // The next row: true with a row, false at the end or on an error (see ok).
    bool next();
    // Steps to the end and makes the statement ready for the next values; false on an error.
    bool run();
    // False once a step failed.
    bool ok() const { return ok_; }
    // A column of the current row, valid until the next step; NULL reads as empty or 0.
    std::string_view text(int column) const;
    long long number(int column) const;

private:
    SqliteDatabase& db_;
    sqlite3_stmt* statement_ = nullptr;
    bool ok_ = true;
};
