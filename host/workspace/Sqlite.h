// A thin hold on SQLite's C interface: a connection and a prepared statement
// that close themselves, and errors as exceptions carrying SQLite's code.
#pragma once

#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>
#include <string_view>

struct sqlite3;
struct sqlite3_stmt;

namespace kovra::host {

struct SqliteError : std::runtime_error {
    SqliteError(int code, const std::string& message) : std::runtime_error(message), code(code) {}
    int code;  // SQLite's primary result code (SQLITE_BUSY, SQLITE_NOTADB, ...)
};

class SqliteDatabase {
public:
    // sqlite3_open_v2 with `flags`; throws SqliteError.
    SqliteDatabase(const std::string& path, int flags);
    ~SqliteDatabase();
    SqliteDatabase(const SqliteDatabase&) = delete;
    SqliteDatabase& operator=(const SqliteDatabase&) = delete;

    sqlite3* handle() const { return db_; }
    // Runs statements that return no rows; throws SqliteError.
    void Execute(const char* sql) const;
    // `body` in one write transaction, taken at once (BEGIN IMMEDIATE):
    // committed when it returns, rolled back when it throws (and rethrown).
    void Transaction(const std::function<void()>& body) const;
    // Throws SqliteError with SQLite's message for `code` when it is an error.
    void Check(int code) const;

private:
    sqlite3* db_ = nullptr;
};

class SqliteStatement {
public:
    SqliteStatement(const SqliteDatabase& db, std::string_view sql);
    ~SqliteStatement();
    SqliteStatement(const SqliteStatement&) = delete;
    SqliteStatement& operator=(const SqliteStatement&) = delete;

    // Parameters count from 1.
    SqliteStatement& Bind(int parameter, int64_t value);
    SqliteStatement& Bind(int parameter, double value);
    SqliteStatement& Bind(int parameter, std::string_view text);
    // The next row: true while there is one. Throws SqliteError.
    bool Step();
    // Ready to run again with new parameters.
    void Reset();

    // Columns count from 0.
    int64_t Integer(int column) const;
    double Real(int column) const;
    std::string Text(int column) const;

private:
    const SqliteDatabase& db_;
    sqlite3_stmt* statement_ = nullptr;
};

}  // namespace kovra::host
