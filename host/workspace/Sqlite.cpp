#include "host/workspace/Sqlite.h"

#include <sqlite3.h>

namespace kovra::host {

SqliteDatabase::SqliteDatabase(const std::string& path, int flags) {
    const int code = sqlite3_open_v2(path.c_str(), &db_, flags, nullptr);
    if (code != SQLITE_OK) {
        // A failed open may still hand out a connection, which only holds the message.
        const std::string message = db_ != nullptr ? sqlite3_errmsg(db_) : sqlite3_errstr(code);
        sqlite3_close_v2(db_);
        throw SqliteError(code & 0xFF, message);
    }
    sqlite3_extended_result_codes(db_, 0);
}

SqliteDatabase::~SqliteDatabase() { sqlite3_close_v2(db_); }

void SqliteDatabase::Check(int code) const {
    if (code != SQLITE_OK && code != SQLITE_ROW && code != SQLITE_DONE)
        throw SqliteError(code & 0xFF, sqlite3_errmsg(db_));
}

void SqliteDatabase::Execute(const char* sql) const { Check(sqlite3_exec(db_, sql, nullptr, nullptr, nullptr)); }

void SqliteDatabase::Transaction(const std::function<void()>& body) const {
    Execute("BEGIN IMMEDIATE");
    try {
        body();
        Execute("COMMIT");
    } catch (...) {
        if (sqlite3_get_autocommit(db_) == 0) sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
        throw;
    }
}

SqliteStatement::SqliteStatement(const SqliteDatabase& db, std::string_view sql) : db_(db) {
    db_.Check(sqlite3_prepare_v2(db.handle(), sql.data(), static_cast<int>(sql.size()), &statement_, nullptr));
}

SqliteStatement::~SqliteStatement() { sqlite3_finalize(statement_); }

SqliteStatement& SqliteStatement::Bind(int parameter, int64_t value) {
    db_.Check(sqlite3_bind_int64(statement_, parameter, value));
    return *this;
}

SqliteStatement& SqliteStatement::Bind(int parameter, double value) {
    db_.Check(sqlite3_bind_double(statement_, parameter, value));
    return *this;
}

SqliteStatement& SqliteStatement::Bind(int parameter, std::string_view text) {
    db_.Check(sqlite3_bind_text(statement_, parameter, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT));
    return *this;
}

bool SqliteStatement::Step() {
    const int code = sqlite3_step(statement_);
    db_.Check(code);
    return code == SQLITE_ROW;
}

void SqliteStatement::Reset() {
    sqlite3_reset(statement_);
    sqlite3_clear_bindings(statement_);
}

int64_t SqliteStatement::Integer(int column) const { return sqlite3_column_int64(statement_, column); }

double SqliteStatement::Real(int column) const { return sqlite3_column_double(statement_, column); }

std::string SqliteStatement::Text(int column) const {
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement_, column));
    return text == nullptr ? std::string()
                           : std::string(text, static_cast<size_t>(sqlite3_column_bytes(statement_, column)));
}

}  // namespace kovra::host
