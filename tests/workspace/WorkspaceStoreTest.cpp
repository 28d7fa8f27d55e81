// The state file: its schema and migrations, a file the store cannot hold, a
// write that fails, another process on the same file, and a process killed
// while it records alerts.
#include <gtest/gtest.h>

#include <signal.h>
#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "host/workspace/SchemaMigrations.h"
#include "host/workspace/WorkspaceStore.h"
#include "tests/support/RunKovra.h"

namespace {

namespace fs = std::filesystem;
using namespace kovra::host;
using kovra::testing::FreshTestFolder;
using kovra::testing::Slurp;

constexpr StoreOptions kQuick{std::chrono::milliseconds(100), 0};

std::string Folder() { return FreshTestFolder(::testing::UnitTest::GetInstance()->current_test_info()->name()); }

std::string FirstValue(const SqliteDatabase& db, const char* sql) {
    SqliteStatement statement(db, sql);
    return statement.Step() ? statement.Text(0) : "";
}

Alert AnAlert(const std::string& instrument = "ES") {
    return {0, instrument, 3'900'000'000'000'000, "4/8th", 4512.25f, CrossingDirection::kDown, 4513, 4511.75f};
}

TEST(SchemaMigrations, BringAnOlderFileUpInOneTransactionAndRollBackOneThatFails) {
    const std::string path = Folder() + "/state.sqlite3";
    const Migration kMigrations[] = {{1, "CREATE TABLE a (x); INSERT INTO a VALUES (5);"},
                                     {2, "ALTER TABLE a ADD COLUMN y DEFAULT 7; CREATE TABLE b (z);"},
                                     {3, "CREATE TABLE c (w); NOT SQL AT ALL;"}};
    const SqliteDatabase db(path, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
    EXPECT_EQ(MigrateSchema(db, std::span(kMigrations, 1)), 0);
    EXPECT_EQ(MigrateSchema(db, std::span(kMigrations, 2)), 1);
    EXPECT_EQ(SchemaVersion(db), 2);
    EXPECT_EQ(FirstValue(db, "SELECT x || ',' || y FROM a"), "5,7");
    EXPECT_THROW(MigrateSchema(db, std::span(kMigrations, 3)), SqliteError);
    EXPECT_EQ(SchemaVersion(db), 2);
    EXPECT_EQ(FirstValue(db, "SELECT count(*) FROM sqlite_master WHERE name = 'c'"), "0");
    EXPECT_THROW(MigrateSchema(db, std::span(kMigrations, 1)), SchemaTooNew);
    EXPECT_EQ(SchemaVersion(db), 2);
}

TEST(WorkspaceStore, AVersionZeroFileGetsTheCurrentSchemaInWriteAheadLogMode) {
    const std::string path = Folder() + "/state.sqlite3";
    {
        const SqliteDatabase old(path, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
        old.Execute("CREATE TABLE notes (text); INSERT INTO notes VALUES ('kept')");
        ASSERT_EQ(SchemaVersion(old), 0);
    }
    {
        WorkspaceStore store(path);
        ASSERT_TRUE(store.persistent()) << store.problem();
        EXPECT_TRUE(store.problem().empty());
    }
    const SqliteDatabase db(path, SQLITE_OPEN_READONLY);
    EXPECT_EQ(SchemaVersion(db), StateMigrations().back().version);
    EXPECT_EQ(FirstValue(db, "PRAGMA journal_mode"), "wal");
    EXPECT_EQ(FirstValue(db, "SELECT text FROM notes"), "kept");
    EXPECT_EQ(FirstValue(db,
                         "SELECT group_concat(name, ' ') FROM (SELECT name FROM sqlite_master WHERE type = 'table' "
                         "AND name NOT LIKE 'sqlite%' ORDER BY name)"),
              "alert_lines alerts input_values instruments notes subgraph_edits");
}

TEST(WorkspaceStore, AFileItCannotHoldIsLeftAsItWasAndTheStoreKeepsToMemory) {
    const std::string folder = Folder();
    std::ofstream(folder + "/not-a-database.sqlite3") << std::string(4096, 'x');
    {
        const SqliteDatabase newer(folder + "/newer.sqlite3", SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
        newer.Execute("CREATE TABLE future (x); PRAGMA user_version = 99");
    }
    std::ofstream(folder + "/a-file") << "in the way of a folder\n";
    const struct {
        std::string path;
        std::string problem;
    } kCases[] = {
        {folder + "/not-a-database.sqlite3", "file is not a database"},
        {folder + "/newer.sqlite3", "its schema version 99 is newer than this kovra's (1)"},
        {folder + "/a-file/.kovra/workspace.sqlite3", "cannot make its folder"},
    };
    for (const auto& c : kCases) {
        const std::string before = Slurp(c.path);
        WorkspaceStore store(c.path, kQuick);
        EXPECT_FALSE(store.persistent()) << c.path;
        EXPECT_NE(store.problem().find(c.problem), std::string::npos) << store.problem();
        EXPECT_NE(store.problem().find("kept in memory for this run"), std::string::npos) << store.problem();
        EXPECT_EQ(store.problem().find('\n'), std::string::npos) << store.problem();
        // It works all the same, in memory.
        store.SaveAlertLines("ES", {false, {"8/8th"}});
        std::vector<Alert> alerts{AnAlert(), AnAlert()};
        store.Record(alerts);
        EXPECT_EQ(alerts[1].event, 2);
        EXPECT_EQ(store.Load("ES").alertLines, (AlertLines{false, {"8/8th"}}));
        EXPECT_TRUE(Slurp(c.path) == before) << c.path << " was changed";
    }
}

TEST(WorkspaceStore, AWriteThatFailsMovesTheStoreToMemoryKeepingWhatItHeld) {
    const std::string path = Folder() + "/state.sqlite3";
    WorkspaceStore store(path, {std::chrono::milliseconds(100), 64 * 1024});
    ASSERT_TRUE(store.persistent()) << store.problem();
    store.SaveAlertLines("ES", {false, {"8/8th", "0/8th"}});
    int64_t recorded = 0, lastEvent = 0;
    for (int32_t i = 0; i < 1000 && store.persistent(); ++i) {
        std::vector<Alert> alerts{AnAlert(std::string(1000, 'E'))};
        store.Record(alerts);
        EXPECT_GT(alerts[0].event, lastEvent);
        lastEvent = alerts[0].event;
        ++recorded;
    }
    ASSERT_FALSE(store.persistent());
    EXPECT_NE(store.problem().find("cannot write the state file '" + path + "'"), std::string::npos) << store.problem();
    EXPECT_NE(store.problem().find("kept in memory from now on"), std::string::npos) << store.problem();
    EXPECT_EQ(store.AlertsAfter(0, 10000).size(), static_cast<size_t>(recorded));
    EXPECT_EQ(store.Load("ES").alertLines, (AlertLines{false, {"8/8th", "0/8th"}}));
    std::vector<Alert> more{AnAlert()};
    store.Record(more);
    EXPECT_EQ(more[0].event, lastEvent + 1);
}

// A child process that runs `work` and ends; a pipe carries what it says.
struct Child {
    pid_t pid = -1;
    int said = -1;  // the read end of the child's pipe
};

template <typename Work>
Child Fork(Work work) {
    int pipeEnds[2];
    if (pipe(pipeEnds) != 0) ADD_FAILURE() << "pipe";
    const pid_t pid = fork();
    if (pid == 0) {
        close(pipeEnds[0]);
        work(pipeEnds[1]);
        _exit(0);
    }
    close(pipeEnds[1]);
    return {pid, pipeEnds[0]};
}

TEST(WorkspaceStore, ASecondProcessOnTheFileIsRefusedUntilTheFirstLetsGo) {
    const std::string path = Folder() + "/state.sqlite3";
    int goOn[2];
    ASSERT_EQ(pipe(goOn), 0);
    const Child holder = Fork([&](int say) {
        close(goOn[1]);
        WorkspaceStore store(path);
        const char held = store.persistent() ? 'y' : 'n';
        if (write(say, &held, 1) != 1) _exit(1);
        char done;
        while (read(goOn[0], &done, 1) > 0) {
        }
    });
    close(goOn[0]);
    char held = 0;
    ASSERT_EQ(read(holder.said, &held, 1), 1);
    ASSERT_EQ(held, 'y');
    {
        WorkspaceStore second(path, kQuick);
        EXPECT_FALSE(second.persistent());
        EXPECT_NE(second.problem().find("is held by another process"), std::string::npos) << second.problem();
    }
    close(goOn[1]);  // the holder lets go
    int status = 0;
    waitpid(holder.pid, &status, 0);
    close(holder.said);
    WorkspaceStore third(path, kQuick);
    EXPECT_TRUE(third.persistent()) << third.problem();
}

TEST(WorkspaceStore, AProcessKilledWhileRecordingAlertsLeavesASoundFileWithEveryCommittedAlert) {
    const std::string path = Folder() + "/state.sqlite3";
    const Child writer = Fork([&](int say) {
        WorkspaceStore store(path);
        for (int32_t i = 0; i < 1'000'000 && store.persistent(); ++i) {  // bounded; killed long before
            std::vector<Alert> alerts{AnAlert()};
            store.Record(alerts);
            if (write(say, &alerts[0].event, sizeof alerts[0].event) != sizeof alerts[0].event) _exit(1);
        }
    });
    int64_t event = 0, lastReported = 0, reports = 0;
    while (read(writer.said, &event, sizeof event) == sizeof event) {
        lastReported = event;
        if (++reports == 200) kill(writer.pid, SIGKILL);
    }
    int status = 0;
    waitpid(writer.pid, &status, 0);
    close(writer.said);
    ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL);
    ASSERT_GE(lastReported, 200);

    {
        const SqliteDatabase db(path, SQLITE_OPEN_READWRITE);
        EXPECT_EQ(FirstValue(db, "PRAGMA integrity_check"), "ok");
    }
    WorkspaceStore store(path);
    ASSERT_TRUE(store.persistent()) << store.problem();
    const std::vector<Alert> kept = store.AlertsAfter(0, 10'000'000);
    ASSERT_GE(kept.size(), static_cast<size_t>(lastReported));  // the last commit may not have been told
    for (size_t i = 0; i < kept.size(); ++i) ASSERT_EQ(kept[i].event, static_cast<int64_t>(i) + 1);
    Alert expected = AnAlert();  // read back as written
    expected.event = kept.back().event;
    EXPECT_EQ(AlertJsonLine(kept.back()), AlertJsonLine(expected));
}

}  // namespace
