// The state file's schema and how an older file is brought up to it: each
// migration makes one schema version from the one before, and the file's
// version is SQLite's user_version (0 for a new, empty file).
#pragma once

#include <cstdint>
#include <span>
#include <stdexcept>

#include "host/workspace/Sqlite.h"

namespace kovra::host {

struct Migration {
    int32_t version;  // the version it makes; the one before it is version - 1
    const char* sql;  // statements that make it from that one
};

// The state file's migrations, version 1 first.
std::span<const Migration> StateMigrations();

// The file's schema is newer than any migration knows: written by a later kovra.
struct SchemaTooNew : std::runtime_error {
    SchemaTooNew(int32_t found, int32_t known);
    int32_t found;
    int32_t known;
};

// The schema version of the database, its user_version.
int32_t SchemaVersion(const SqliteDatabase& db);

// Brings the database to the last version of `migrations` in one transaction
// (all or nothing): every migration above the file's version, in order, then
// the new version. Returns the version the file had. Throws SchemaTooNew (the
// file is left as it was) and SqliteError (rolled back).
int32_t MigrateSchema(const SqliteDatabase& db, std::span<const Migration> migrations);

}  // namespace kovra::host
