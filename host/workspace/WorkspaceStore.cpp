#include "host/workspace/WorkspaceStore.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include <fmt/format.h>
#include <sqlite3.h>

#include "host/workspace/SchemaMigrations.h"

namespace kovra::host {

namespace {

namespace fs = std::filesystem;

constexpr const char* kMemory = ":memory:";
constexpr int kCreate = SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE;

struct FolderProblem : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// The first column of the first row `sql` gives, as text.
std::string FirstValue(const SqliteDatabase& db, const char* sql) {
    SqliteStatement statement(db, sql);
    return statement.Step() ? statement.Text(0) : std::string();
}

// The file held by this connection alone from its first read on (exclusive
// locking in write-ahead-log mode), at the current schema.
std::unique_ptr<SqliteDatabase> HoldFile(const std::string& path, const StoreOptions& options) {
    const fs::path folder = fs::path(path).parent_path();
    std::error_code error;
    if (!folder.empty() && !fs::is_directory(folder, error) && !fs::create_directories(folder, error))
        throw FolderProblem(fmt::format("cannot make its folder: {}", error.message()));
    auto db = std::make_unique<SqliteDatabase>(path, kCreate);
    sqlite3_busy_timeout(db->handle(), static_cast<int>(options.busyTimeout.count()));
    db->Execute("PRAGMA locking_mode = EXCLUSIVE");
    // Nothing is changed in a file this kovra cannot read, not even its journal mode.
    const int32_t version = SchemaVersion(*db);
    if (version > StateMigrations().back().version) throw SchemaTooNew(version, StateMigrations().back().version);
    if (FirstValue(*db, "PRAGMA journal_mode = WAL") != "wal")
        throw SqliteError(SQLITE_ERROR, "it cannot keep a write-ahead log");
    // Committed alerts survive the process being killed; a power loss may lose
    // the last ones but never leaves a broken file.
    db->Execute("PRAGMA synchronous = NORMAL");
    if (options.maxBytes > 0) {
        const int64_t pageSize = std::stoll(FirstValue(*db, "PRAGMA page_size"));
        db->Execute(
            fmt::format("PRAGMA max_page_count = {}", std::max<int64_t>(1, options.maxBytes / pageSize)).c_str());
    }
    MigrateSchema(*db, StateMigrations());
    return db;
}

std::string WhyNotHeld(const std::string& path, const std::exception& error) {
    const auto* sqlite = dynamic_cast<const SqliteError*>(&error);
    if (sqlite != nullptr && (sqlite->code == SQLITE_BUSY || sqlite->code == SQLITE_LOCKED))
        return fmt::format("the state file '{}' is held by another process (another kovra on this workspace?)", path);
    return fmt::format("cannot use the state file '{}': {}", path, error.what());
}

std::unique_ptr<SqliteDatabase> EmptyMemory(int64_t lastEvent) {
    auto memory = std::make_unique<SqliteDatabase>(kMemory, kCreate);
    MigrateSchema(*memory, StateMigrations());
    // Event numbers go on growing from those already given.
    SqliteStatement(*memory, "INSERT INTO sqlite_sequence (name, seq) VALUES ('alerts', ?)").Bind(1, lastEvent).Step();
    return memory;
}

// A copy in memory of what `source` holds, brought to the current schema;
// throws when it cannot be read or has a newer schema.
std::unique_ptr<SqliteDatabase> CopyInMemory(const SqliteDatabase& source) {
    auto memory = std::make_unique<SqliteDatabase>(kMemory, kCreate);
    sqlite3_backup* backup = sqlite3_backup_init(memory->handle(), "main", source.handle(), "main");
    if (backup == nullptr) memory->Check(sqlite3_errcode(memory->handle()));
    const int stepped = sqlite3_backup_step(backup, -1);
    const int finished = sqlite3_backup_finish(backup);
    if (stepped != SQLITE_DONE) throw SqliteError(stepped, sqlite3_errstr(stepped));
    memory->Check(finished);
    MigrateSchema(*memory, StateMigrations());
    return memory;
}

// What can be read of the file at `path` without holding it, else nothing.
std::unique_ptr<SqliteDatabase> ReadableCopy(const std::string& path) {
    try {
        const SqliteDatabase file(path, SQLITE_OPEN_READONLY);
        return CopyInMemory(file);
    } catch (const std::exception&) {
        return EmptyMemory(0);
    }
}

AlertLines AlertLinesOf(const SqliteDatabase& db, const std::string& instrument) {
    AlertLines lines;
    SqliteStatement every(db, "SELECT alert_every FROM instruments WHERE name = ?");
    every.Bind(1, instrument);
    if (!every.Step() || every.Integer(0) != 0) return lines;
    lines.every = false;
    SqliteStatement names(db, "SELECT line FROM alert_lines WHERE instrument = ? ORDER BY rowid");
    names.Bind(1, instrument);
    while (names.Step()) lines.names.push_back(names.Text(0));
    return lines;
}

void AddInstrument(const SqliteDatabase& db, const std::string& instrument) {
    SqliteStatement(db, "INSERT OR IGNORE INTO instruments (name) VALUES (?)").Bind(1, instrument).Step();
}

}  // namespace

std::string WorkspaceStore::DefaultPath(const std::string& folder) {
    return (fs::path(folder) / ".kovra" / "workspace.sqlite3").string();
}

WorkspaceStore::WorkspaceStore(const std::string& path, const StoreOptions& options) : path_(path) {
    try {
        file_ = HoldFile(path, options);
    } catch (const std::exception& error) {
        problem_ = WhyNotHeld(path, error) + "; settings and alerts are kept in memory for this run";
        memory_ = ReadableCopy(path);
    }
    lastEvent_ = std::stoll(FirstValue(db(), "SELECT coalesce(max(event), 0) FROM alerts"));
}

WorkspaceStore::WorkspaceStore() : memory_(EmptyMemory(0)) {}

WorkspaceStore::~WorkspaceStore() = default;

void WorkspaceStore::MoveToMemory(const std::string& why) {
    try {
        memory_ = CopyInMemory(*file_);
    } catch (const std::exception&) {
        memory_ = EmptyMemory(lastEvent_);
    }
    file_.reset();
    problem_ = why + "; settings and alerts are kept in memory from now on";
}

void WorkspaceStore::Write(const std::function<void()>& body) {
    if (!file_) return memory_->Transaction(body);
    try {
        file_->Transaction(body);
    } catch (const SqliteError& error) {
        MoveToMemory(fmt::format("cannot write the state file '{}': {}", path_, error.what()));
        memory_->Transaction(body);
    }
}

SavedInstrument WorkspaceStore::Load(const std::string& instrument) const {
    SavedInstrument saved;
    SqliteStatement inputs(db(), "SELECT input, value FROM input_values WHERE instrument = ? ORDER BY rowid");
    inputs.Bind(1, instrument);
    while (inputs.Step()) saved.inputs.push_back({inputs.Text(0), inputs.Text(1)});
    SqliteStatement edits(db(),
                          "SELECT subgraph, field, value FROM subgraph_edits WHERE instrument = ? ORDER BY rowid");
    edits.Bind(1, instrument);
    while (edits.Step()) saved.subgraphs.push_back({edits.Text(0), edits.Text(1), edits.Text(2)});
    saved.alertLines = AlertLinesOf(db(), instrument);
    SqliteStatement timeframe(db(), "SELECT timeframe FROM instruments WHERE name = ?");
    timeframe.Bind(1, instrument);
    if (timeframe.Step()) saved.timeframe = timeframe.Text(0);
    return saved;
}

void WorkspaceStore::SaveInputs(const std::string& instrument, const std::vector<InputSetting>& inputs) {
    Write([&] {
        AddInstrument(db(), instrument);
        SqliteStatement(db(), "DELETE FROM input_values WHERE instrument = ?").Bind(1, instrument).Step();
        SqliteStatement insert(db(), "INSERT INTO input_values (instrument, input, value) VALUES (?, ?, ?)");
        for (const InputSetting& input : inputs) {
            insert.Bind(1, instrument).Bind(2, input.input).Bind(3, input.value).Step();
            insert.Reset();
        }
    });
}

void WorkspaceStore::SaveSubgraphEdits(const std::string& instrument, const std::vector<SubgraphSetting>& edits) {
    Write([&] {
        AddInstrument(db(), instrument);
        // Deleted and inserted again, so the rowids keep the order the edits were last made in.
        SqliteStatement remove(db(), "DELETE FROM subgraph_edits WHERE instrument = ? AND subgraph = ? AND field = ?");
        SqliteStatement insert(db(),
                               "INSERT INTO subgraph_edits (instrument, subgraph, field, value) VALUES (?, ?, ?, ?)");
        for (const SubgraphSetting& edit : edits) {
            remove.Bind(1, instrument).Bind(2, edit.subgraph).Bind(3, edit.field).Step();
            remove.Reset();
            insert.Bind(1, instrument).Bind(2, edit.subgraph).Bind(3, edit.field).Bind(4, edit.value).Step();
            insert.Reset();
        }
    });
}

void WorkspaceStore::SaveAlertLines(const std::string& instrument, const AlertLines& lines) {
    Write([&] {
        SqliteStatement(db(),
                        "INSERT INTO instruments (name, alert_every) VALUES (?, ?) "
                        "ON CONFLICT (name) DO UPDATE SET alert_every = excluded.alert_every")
            .Bind(1, instrument)
            .Bind(2, int64_t{lines.every ? 1 : 0})
            .Step();
        SqliteStatement(db(), "DELETE FROM alert_lines WHERE instrument = ?").Bind(1, instrument).Step();
        if (lines.every) return;
        SqliteStatement insert(db(), "INSERT OR IGNORE INTO alert_lines (instrument, line) VALUES (?, ?)");
        for (const std::string& name : lines.names) {
            insert.Bind(1, instrument).Bind(2, name).Step();
            insert.Reset();
        }
    });
}

void WorkspaceStore::SaveTimeframe(const std::string& instrument, const std::string& timeframe) {
    Write([&] {
        SqliteStatement(db(),
                        "INSERT INTO instruments (name, timeframe) VALUES (?, ?) "
                        "ON CONFLICT (name) DO UPDATE SET timeframe = excluded.timeframe")
            .Bind(1, instrument)
            .Bind(2, timeframe)
            .Step();
    });
}

void WorkspaceStore::Record(std::vector<Alert>& alerts) {
    if (alerts.empty()) return;
    Write([&] {
        SqliteStatement insert(db(),
                               "INSERT INTO alerts (instrument, datetime, line, price, direction, close_before, "
                               "close_after) VALUES (?, ?, ?, ?, ?, ?, ?)");
        for (Alert& alert : alerts) {
            insert.Bind(1, alert.instrument)
                .Bind(2, alert.dateTime)
                .Bind(3, alert.line)
                .Bind(4, static_cast<double>(alert.price))
                .Bind(5, DirectionText(alert.direction))
                .Bind(6, static_cast<double>(alert.closeBefore))
                .Bind(7, static_cast<double>(alert.closeAfter))
                .Step();
            insert.Reset();
            alert.event = sqlite3_last_insert_rowid(db().handle());
        }
    });
    lastEvent_ = alerts.back().event;
}

std::vector<Alert> WorkspaceStore::AlertsAfter(int64_t event, size_t limit) const {
    SqliteStatement select(db(),
                           "SELECT event, instrument, datetime, line, price, direction, close_before, close_after "
                           "FROM alerts WHERE event > ? ORDER BY event LIMIT ?");
    select.Bind(1, event).Bind(2, static_cast<int64_t>(limit));
    std::vector<Alert> alerts;
    while (select.Step()) {
        const CrossingDirection direction =
            select.Text(5) == DirectionText(CrossingDirection::kUp) ? CrossingDirection::kUp : CrossingDirection::kDown;
        alerts.push_back({select.Integer(0), select.Text(1), select.Integer(2), select.Text(3),
                          static_cast<float>(select.Real(4)), direction, static_cast<float>(select.Real(6)),
                          static_cast<float>(select.Real(7))});
    }
    return alerts;
}

}  // namespace kovra::host
