// A workspace over the real study: its instruments, their rows against
// `kovra scan`'s, its alerts against `kovra run --crossings`, following a
// folder, and its state across a restart.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "host/bars/BarsCsv.h"
#include "host/runtime/StudyLibrary.h"
#include "host/scan/ScanCharts.h"
#include "host/scan/ScanFormats.h"
#include "host/text/DateTimeText.h"
#include "host/text/FloatText.h"
#include "host/workspace/Workspace.h"
#include "tests/support/RunKovra.h"

namespace {

namespace fs = std::filesystem;
using namespace kovra::host;
using kovra::testing::Cells;
using kovra::testing::FreshTestFolder;
using kovra::testing::Lines;
using kovra::testing::RunKovra;
using kovra::testing::Slurp;

const StudyLibrary& Library() {
    static const StudyLibrary library(DefaultStudyLibraryPath());
    return library;
}

std::string DataFile(const char* name) { return std::string(std::getenv("KOVRA_SOURCE_DIR")) + "/data/" + name; }

// The first `count` bars of `bars` as a bar file at `path`.
void WriteBars(const std::string& path, const LoadedBars& bars, int32_t count) {
    LoadedBars first;
    first.priceDecimals = bars.priceDecimals;
    for (int32_t bar = 0; bar < count; ++bar) first.bars.Append(bars.bars.At(bar));
    std::ofstream(path, std::ios::binary) << FormatBarsCsv(first);
}

std::vector<Bar> BarsFrom(const LoadedBars& bars, int32_t first, int32_t end) {
    std::vector<Bar> taken;
    for (int32_t bar = first; bar < end; ++bar) taken.push_back(bars.bars.At(bar));
    return taken;
}

// What `kovra scan` shows of the file now.
std::string ScannedRow(const std::string& path) {
    const ScanRow row = ScanChart(Library().studyFunction(), {path, fs::path(path).stem().string(), {}}, {});
    return FormatScanCsv({row});
}

struct Opened {
    std::vector<std::string> warnings;
    std::unique_ptr<Workspace> workspace;
};

Opened Open(const std::vector<std::string>& sources, WorkspaceStore& store) {
    Opened opened;
    WorkspaceOptions options;
    options.jobs = 2;
    options.warn = [&warnings = opened.warnings](const std::string& warning) { warnings.push_back(warning); };
    opened.workspace = std::make_unique<Workspace>(Library().studyFunction(), sources, options, store);
    return opened;
}

class WorkspaceTest : public ::testing::Test {
protected:
    void SetUp() override {
        folder_ = FreshTestFolder(::testing::UnitTest::GetInstance()->current_test_info()->name());
        daily_ = LoadBarsCsv(DataFile("daily-bars.csv"));
        WriteBars(Path("AAA"), daily_, 600);
        std::ofstream(Path("BBB"), std::ios::binary) << "datetime,open,high,low,close\n2024-01-02,1,2,x,1\n";
        fs::copy_file(DataFile("sample-bars.csv"), Path("CCC"));
        std::ofstream(folder_ + "/notes.txt") << "not a bar file\n";
    }
    std::string Path(const std::string& name) const { return folder_ + "/" + name + ".csv"; }

    std::string folder_;
    LoadedBars daily_;
    WorkspaceStore memory_;
};

TEST_F(WorkspaceTest, EveryCsvOfTheFolderIsAnInstrumentWithScansRowOrItsOneLineError) {
    Opened opened = Open({folder_}, memory_);
    const Workspace& workspace = *opened.workspace;
    ASSERT_EQ(workspace.instruments().size(), 3u);
    const std::vector<std::pair<std::string, InstrumentStatus>> expected = {
        {"AAA", InstrumentStatus::kReady}, {"BBB", InstrumentStatus::kFailed}, {"CCC", InstrumentStatus::kReady}};
    for (size_t id = 0; id < expected.size(); ++id) {
        const Instrument& instrument = workspace.instrument(id);
        EXPECT_EQ(instrument.name(), expected[id].first);
        EXPECT_EQ(instrument.status(), expected[id].second) << instrument.name();
        EXPECT_EQ(workspace.Find(expected[id].first), id);
        if (instrument.status() == InstrumentStatus::kReady) {
            EXPECT_EQ(FormatScanCsv({instrument.row()}), ScannedRow(instrument.path())) << instrument.name();
        }
    }
    const ScanRow& failed = workspace.instrument(1).row();
    EXPECT_NE(failed.error.find(Path("BBB")), std::string::npos) << failed.error;
    EXPECT_EQ(failed.error.find('\n'), std::string::npos) << failed.error;
    EXPECT_EQ(workspace.instrument(1).chart(), nullptr);
    EXPECT_FALSE(workspace.Find("notes"));
}

TEST_F(WorkspaceTest, NewBarsGiveTheRowAScanOfTheLongerFileGivesAndAnOlderBarIsRefused) {
    Opened opened = Open({folder_}, memory_);
    Workspace& workspace = *opened.workspace;
    const std::string others = FormatScanCsv({workspace.instrument(2).row()});
    // The last bar revised, then new bars in chunks, as a followed file gives them.
    std::vector<Bar> revised{daily_.bars.At(599)};
    revised[0].close = revised[0].high;
    WriteBars(Path("AAA"), daily_, 650);
    EXPECT_EQ(workspace.TakeBars(0, revised).refused, 0);
    for (int32_t first = 599; first < 650; first += 7)
        workspace.TakeBars(0, BarsFrom(daily_, first, std::min(first + 7, 650)));
    EXPECT_EQ(FormatScanCsv({workspace.instrument(0).row()}), ScannedRow(Path("AAA")));
    EXPECT_EQ(FormatScanCsv({workspace.instrument(2).row()}), others);

    EXPECT_EQ(workspace.TakeBars(0, BarsFrom(daily_, 10, 11)).refused, 1);
    ASSERT_FALSE(opened.warnings.empty());
    EXPECT_NE(opened.warnings.back().find("is older than the last bar"), std::string::npos) << opened.warnings.back();
    EXPECT_EQ(workspace.TakeBars(1, BarsFrom(daily_, 0, 1)).alerts.size(), 0u);  // a failed instrument takes nothing
}

// `kovra run --crossings` over the whole file against the alerts of a
// workspace that got the same bars one chunk at a time: the crossings of
// the chosen lines, every one once.
TEST_F(WorkspaceTest, AlertsOverTheSameBarsAreTheRunsCrossingsOfTheChosenLines) {
    const std::string crossings = folder_ + "/crossings.csv";
    ASSERT_EQ(RunKovra({"run", "--quiet", "--bars", DataFile("sample-bars.csv"), "--crossings", crossings}).exitCode,
              0);
    std::vector<std::string> rows = Lines(Slurp(crossings));
    rows.erase(rows.begin());  // the header

    const LoadedBars sample = LoadBarsCsv(DataFile("sample-bars.csv"));
    const AlertLines every, chosen{false, {"8/8th", "4/8th", "0/8th"}};
    for (const int32_t chunk : {1, 7, 2000}) {
        for (const AlertLines* lines : {&every, &chosen}) {
            const std::string feed = folder_ + "/feed";
            fs::remove_all(feed);
            fs::create_directory(feed);
            WriteBars(feed + "/ES.csv", sample, 1);
            WorkspaceStore store;
            Opened opened = Open({feed}, store);
            opened.workspace->ChooseAlertLines(0, *lines);
            std::vector<std::string> seen;
            for (int32_t first = 1; first < sample.bars.size(); first += chunk) {
                const BarsTaken taken =
                    opened.workspace->TakeBars(0, BarsFrom(sample, first, std::min(first + chunk, sample.bars.size())));
                for (const Alert& alert : taken.alerts) {
                    fmt::memory_buffer row;
                    row.append(FormatDateTime(alert.dateTime) + "," + alert.line + ",");
                    AppendFloatText(row, alert.price);
                    row.append("," + std::string(DirectionText(alert.direction)) + ",");
                    AppendFloatText(row, alert.closeBefore);
                    row.push_back(',');
                    AppendFloatText(row, alert.closeAfter);
                    seen.push_back(fmt::to_string(row));
                }
            }
            std::vector<std::string> expected;
            for (const std::string& row : rows)
                if (lines->Includes(Cells(row)[2])) expected.push_back(row.substr(row.find(',') + 1));
            ASSERT_GT(expected.size(), 10u);
            EXPECT_EQ(seen, expected) << "chunks of " << chunk << (lines == &every ? ", every line" : ", chosen lines");
            EXPECT_EQ(store.AlertsAfter(0, seen.size() + 1).size(), seen.size());
        }
    }
}

TEST_F(WorkspaceTest, FollowsTheFolderAndNamesEachInstrumentOnce) {
    const std::string elsewhere = FreshTestFolder("workspace-elsewhere");
    WriteBars(elsewhere + "/AAA.csv", daily_, 100);
    Opened opened = Open({folder_, elsewhere + "/AAA.csv"}, memory_);
    Workspace& workspace = *opened.workspace;
    ASSERT_EQ(workspace.instruments().size(), 4u);
    const Instrument& namesake = workspace.instrument(3);
    EXPECT_EQ(namesake.status(), InstrumentStatus::kFailed);
    EXPECT_EQ(namesake.name(), elsewhere + "/AAA.csv");
    EXPECT_NE(namesake.row().error.find("is taken by " + Path("AAA")), std::string::npos) << namesake.row().error;

    WriteBars(Path("DDD"), daily_, 300);
    fs::remove(Path("CCC"));
    FolderChanges changes = workspace.Rescan();
    EXPECT_EQ(changes.added, std::vector<InstrumentId>{4});
    EXPECT_EQ(changes.removed, std::vector<InstrumentId>{2});
    EXPECT_TRUE(changes.reloaded.empty());
    EXPECT_EQ(workspace.instrument(4).name(), "DDD");
    EXPECT_EQ(FormatScanCsv({workspace.instrument(4).row()}), ScannedRow(Path("DDD")));
    EXPECT_EQ(workspace.instrument(2).status(), InstrumentStatus::kRemoved);
    EXPECT_NE(workspace.instrument(2).chart(), nullptr);  // kept as it last was

    changes = workspace.Rescan();  // nothing changed since
    EXPECT_TRUE(changes.added.empty() && changes.removed.empty() && changes.reloaded.empty());

    WriteBars(Path("CCC"), daily_, 200);
    changes = workspace.Rescan();
    EXPECT_EQ(changes.reloaded, std::vector<InstrumentId>{2});
    EXPECT_EQ(workspace.instrument(2).status(), InstrumentStatus::kReady);
    EXPECT_EQ(FormatScanCsv({workspace.instrument(2).row()}), ScannedRow(Path("CCC")));
}

TEST_F(WorkspaceTest, SettingsButtonsAndAlertChoicesAreRestoredAfterARestart) {
    const std::string state = WorkspaceStore::DefaultPath(folder_);
    std::vector<InputSetting> inputs;
    std::string row;
    std::vector<Alert> history;
    {
        WorkspaceStore store(state);
        ASSERT_TRUE(store.persistent()) << store.problem();
        Opened opened = Open({folder_}, store);
        Workspace& workspace = *opened.workspace;
        workspace.ChangeSettings(2, {{{"Frame Algorithm", "Accelerated"}}, {{"8/8th", "PrimaryColour", "0x00123456"}}});
        workspace.Push(2, 5, kButtonPushedOn);  // "64": the frame size
        EXPECT_THROW(workspace.ChooseAlertLines(2, {false, {"9/8th"}}), WorkspaceError);
        EXPECT_THROW(workspace.ChangeSettings(1, {}), WorkspaceError);  // BBB has no chart
        // A refused edit: the one before it stays, applied and saved.
        EXPECT_THROW(workspace.ChangeSettings(2, {{}, {{"0/8th", "LineWidth", "3"}, {"0/8th", "NoSuchField", "1"}}}),
                     SettingsError);
        inputs = InputsInForce(workspace.instrument(2).chart()->study());
        row = FormatScanCsv({workspace.instrument(2).row()});
        const LoadedBars sample = LoadBarsCsv(DataFile("sample-bars.csv"));
        Bar up = sample.bars.At(sample.bars.size() - 1);
        for (float step = 1; step < 40; ++step) {  // the close climbs through the frame, tick by tick
            up.close = up.high = sample.bars.close.back() + step;
            workspace.TakeBars(2, {up});
        }
        history = store.AlertsAfter(0, 1000);
        ASSERT_FALSE(history.empty());
        workspace.ChooseAlertLines(2, {false, {"8/8th", "0/8th"}});
    }
    WorkspaceStore store(state);
    ASSERT_TRUE(store.persistent()) << store.problem();
    Opened reopened = Open({folder_}, store);
    const Instrument& restored = reopened.workspace->instrument(2);
    const StudyInstance& study = restored.chart()->study();
    EXPECT_EQ(InputsInForce(study).size(), inputs.size());
    for (size_t i = 0; i < inputs.size(); ++i)
        EXPECT_EQ(InputsInForce(study)[i].value, inputs[i].value) << inputs[i].input;
    EXPECT_EQ(study.subgraphs()[2].PrimaryColour, 0x00123456u);
    EXPECT_EQ(study.subgraphs()[10].LineWidth, 3);
    EXPECT_EQ(restored.alertLines(), (AlertLines{false, {"8/8th", "0/8th"}}));
    EXPECT_EQ(reopened.workspace->instrument(0).alertLines(), AlertLines{});
    const std::vector<Alert> kept = store.AlertsAfter(0, 1000);
    ASSERT_EQ(kept.size(), history.size());
    EXPECT_EQ(AlertJsonLine(kept.back()), AlertJsonLine(history.back()));
    EXPECT_TRUE(reopened.warnings.empty()) << reopened.warnings.front();
    EXPECT_EQ(FormatScanCsv({restored.row()}), row);  // the levels of the same settings
}

TEST_F(WorkspaceTest, ASavedSettingTheStudyNoLongerTakesIsSkippedWithAWarning) {
    memory_.SaveInputs("AAA", {{"Frame Size", "64"}, {"Gone Input", "yes"}});
    memory_.SaveSubgraphEdits("AAA", {{"Gone Line", "PrimaryColour", "1"}});
    Opened opened = Open({folder_}, memory_);
    const Instrument& instrument = opened.workspace->instrument(0);
    ASSERT_EQ(instrument.status(), InstrumentStatus::kReady) << instrument.row().error;
    EXPECT_EQ(instrument.chart()->study().SelectedTextOf(11), "64");
    ASSERT_EQ(instrument.row().warnings.size(), 2u);
    EXPECT_NE(instrument.row().warnings[0].find("the saved setting \"Gone Input=yes\" is skipped"), std::string::npos)
        << instrument.row().warnings[0];
    EXPECT_NE(instrument.row().warnings[1].find("\"Gone Line.PrimaryColour=1\""), std::string::npos);
    EXPECT_EQ(opened.warnings, instrument.row().warnings);
}

}  // namespace
