// What a workspace keeps between runs, in one SQLite file: per instrument its
// inputs, subgraph edits and alert choice, and the history of alerts. One
// process holds the file at a time (SQLite's exclusive locking, in WAL mode);
// a store that cannot hold its file keeps everything in memory for the run
// and says why in one line. Not thread-safe: one thread calls it.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "host/runtime/StudySettings.h"
#include "host/workspace/CrossingAlerts.h"
#include "host/workspace/Sqlite.h"

namespace kovra::host {

// One instrument's saved state; empty parts were never saved.
struct SavedInstrument {
    std::vector<InputSetting> inputs;        // every input in force when last changed; empty: never changed
    std::vector<SubgraphSetting> subgraphs;  // the subgraph edits, in the order last made
    AlertLines alertLines;                   // every line unless chosen
    std::string timeframe;                   // as `--timeframe` writes it; empty: the bars as the file has them
};

struct StoreOptions {
    // How long opening waits for another process that holds the file.
    std::chrono::milliseconds busyTimeout{2000};
    // The file grows no larger: beyond it a write fails as on a full disk
    // (and the store goes on in memory). 0: no limit.
    int64_t maxBytes = 0;
};

class WorkspaceStore {
public:
    // The default state file of a workspace folder: FOLDER/.kovra/workspace.sqlite3.
    static std::string DefaultPath(const std::string& folder);

    // Holds the state file at `path` for this process (making its folder,
    // creating it, bringing an older schema up to date) until destroyed.
    // When it cannot (no folder, not a database, a newer schema, held by
    // another process, ...) nothing is thrown and the file is left as it was:
    // the store starts in memory with what could be read of the file, if
    // anything, and problem() says why.
    explicit WorkspaceStore(const std::string& path, const StoreOptions& options = {});
    // A store in memory from the start, with no file and no problem.
    WorkspaceStore();
    ~WorkspaceStore();
    WorkspaceStore(const WorkspaceStore&) = delete;
    WorkspaceStore& operator=(const WorkspaceStore&) = delete;

    const std::string& path() const { return path_; }
    // Whether changes reach the file.
    bool persistent() const { return file_ != nullptr; }
    // Why they no longer do, one line ending in what it means for the run;
    // empty while they do (or for a store in memory from the start). A write
    // that fails moves the store to memory, keeping what it held.
    const std::string& problem() const { return problem_; }

    SavedInstrument Load(const std::string& instrument) const;
    void SaveInputs(const std::string& instrument, const std::vector<InputSetting>& inputs);
    void SaveSubgraphEdits(const std::string& instrument, const std::vector<SubgraphSetting>& edits);
    void SaveAlertLines(const std::string& instrument, const AlertLines& lines);
    void SaveTimeframe(const std::string& instrument, const std::string& timeframe);
    // Adds the alerts to the history in one transaction, giving each its
    // event number (greater than every number given before).
    void Record(std::vector<Alert>& alerts);
    // The greatest event number given so far (0: none yet).
    int64_t lastEvent() const { return lastEvent_; }
    // Up to `limit` alerts numbered above `event`, in event order.
    std::vector<Alert> AlertsAfter(int64_t event, size_t limit) const;

private:
    const SqliteDatabase& db() const { return file_ ? *file_ : *memory_; }
    void Write(const std::function<void()>& body);
    void MoveToMemory(const std::string& why);

    std::string path_;
    std::string problem_;
    std::unique_ptr<SqliteDatabase> file_;    // while the file is held
    std::unique_ptr<SqliteDatabase> memory_;  // otherwise
    int64_t lastEvent_ = 0;                   // the greatest event number given
};

}  // namespace kovra::host
