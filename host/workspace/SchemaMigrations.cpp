#include "host/workspace/SchemaMigrations.h"

#include <algorithm>
#include <array>

#include <fmt/format.h>

namespace kovra::host {

namespace {

// Version 1: per instrument (by name) its alert choice and its timeframe
// (empty: the bars as the file has them), the inputs in force since it was last changed,
// the subgraph edits (in the order last made: by rowid), the lines that
// alert when not every one does; and the history of alerts, numbered by an
// event number that only ever grows.
constexpr const char* kVersion1 = R"sql(
CREATE TABLE instruments (
    name TEXT PRIMARY KEY,
    alert_every INTEGER NOT NULL DEFAULT 1,
    timeframe TEXT NOT NULL DEFAULT ''
);
CREATE TABLE input_values (
    instrument TEXT NOT NULL,
    input TEXT NOT NULL,
    value TEXT NOT NULL,
    PRIMARY KEY (instrument, input)
);
CREATE TABLE subgraph_edits (
    instrument TEXT NOT NULL,
    subgraph TEXT NOT NULL,
    field TEXT NOT NULL,
    value TEXT NOT NULL,
    PRIMARY KEY (instrument, subgraph, field)
);
CREATE TABLE alert_lines (
    instrument TEXT NOT NULL,
    line TEXT NOT NULL,
    PRIMARY KEY (instrument, line)
);
CREATE TABLE alerts (
    event INTEGER PRIMARY KEY AUTOINCREMENT,
    instrument TEXT NOT NULL,
    datetime INTEGER NOT NULL,
    line TEXT NOT NULL,
    price REAL NOT NULL,
    direction TEXT NOT NULL CHECK (direction IN ('up', 'down')),
    close_before REAL NOT NULL,
    close_after REAL NOT NULL
);
)sql";

constexpr std::array kStateMigrations{Migration{1, kVersion1}};

}  // namespace

std::span<const Migration> StateMigrations() { return kStateMigrations; }

SchemaTooNew::SchemaTooNew(int32_t found, int32_t known)
    : std::runtime_error(fmt::format("its schema version {} is newer than this kovra's ({})", found, known)),
      found(found),
      known(known) {}

int32_t SchemaVersion(const SqliteDatabase& db) {
    SqliteStatement version(db, "PRAGMA user_version");
    version.Step();
    return static_cast<int32_t>(version.Integer(0));
}

int32_t MigrateSchema(const SqliteDatabase& db, std::span<const Migration> migrations) {
    const int32_t known = migrations.empty() ? 0 : migrations.back().version;
    int32_t found = 0;
    db.Transaction([&] {  // the version is read under the write lock
        found = SchemaVersion(db);
        if (found > known) throw SchemaTooNew(found, known);
        for (const Migration& migration : migrations)
            if (migration.version > found) db.Execute(migration.sql);
        db.Execute(fmt::format("PRAGMA user_version = {}", std::max(found, known)).c_str());
    });
    return found;
}

}  // namespace kovra::host
