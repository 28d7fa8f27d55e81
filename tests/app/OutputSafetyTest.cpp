// `kovra run` never destroys data: outputs that name an input or each other,
// links, pipes, devices, read-only files, failures part way, interruptions
// and a full standard output, each run with the built program in a folder of its own.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/RunKovra.h"

namespace {

namespace fs = std::filesystem;
using kovra::testing::CommandResult;
using kovra::testing::FreshTestFolder;
using kovra::testing::RunKovra;

const std::string kOld = "what was there before\n";

std::string Slurp(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

void WriteFile(const fs::path& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }

std::vector<std::string> Entries(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

class OutputSafety : public testing::Test {
protected:
    void SetUp() override {
        folder_ = FreshTestFolder(testing::UnitTest::GetInstance()->current_test_info()->name());
        bars_ = folder_ / "bars.csv";
        WriteFile(bars_, "Date,Open,High,Low,Close\n2024-03-14,1,2,0.5,1.5\n2024-03-15,1,2,0.5,1.75\n");
    }
    std::string At(const std::string& name) const { return (folder_ / name).string(); }

    fs::path folder_, bars_;
};

// Refused before anything runs: nothing is written, nothing is replaced.
TEST_F(OutputSafety, OutputsNamingAnInputOrEachOtherAreUsageErrors) {
    fs::create_symlink("bars.csv", folder_ / "bars-link.csv");
    WriteFile(folder_ / "out.csv", kOld);
    struct Row {
        std::vector<std::string> arguments;
        std::string message;
    };
    const Row rows[] = {
        {{"--bars", At("bars.csv"), "--series", At("bars.csv")}, "--series '" + At("bars.csv") + "' is the bar file"},
        {{"--bars", At("bars.csv"), "--drawings", folder_.string() + "/./sub/../bars-link.csv"}, "is the bar file"},
        {{"--series", std::getenv("KOVRA_STUDY_LIBRARY")}, "is the study library"},
        {{"--series", At("out.csv"), "--drawings", At("out.csv")},
         "--drawings '" + At("out.csv") + "' is the same file as --series"},
        {{"--series", At("new.csv"), "--drawings",
          folder_.string() + "/../" + folder_.filename().string() + "/new.csv"},
         "is the same file as --series"},
        {{"--series", "-", "--drawings", "-"}, "is the same file as --series '-'"},
        {{"--series", "-", "--crossings", "/dev/stdout"}, "--crossings '/dev/stdout' is the same file as --series '-'"},
        {{"--series", "/proc/self/fd/1", "--drawings", "-"},
         "--drawings '-' is the same file as --series '/proc/self/fd/1'"},
    };
    fs::create_directory(folder_ / "sub");
    for (const Row& row : rows) {
        std::vector<std::string> arguments{"run", "--quiet"};
        arguments.insert(arguments.end(), row.arguments.begin(), row.arguments.end());
        const CommandResult result = RunKovra(arguments);
        EXPECT_EQ(result.exitCode, 2) << row.message;
        EXPECT_THAT(result.err, testing::HasSubstr(row.message));
    }
    EXPECT_EQ(Slurp(folder_ / "out.csv"), kOld);
    EXPECT_THAT(Slurp(bars_), testing::StartsWith("Date,Open"));
    EXPECT_THAT(Entries(folder_), testing::ElementsAre("bars-link.csv", "bars.csv", "out.csv", "sub"));
}

// What each kind of output path gets, and what stays of it.
TEST_F(OutputSafety, EachKindOfOutputPathIsWrittenTheSafeWay) {
    struct Row {
        const char* kind;
        std::function<void()> prepare;
        std::vector<std::string> arguments;
        int exitCode;
        std::function<void(const CommandResult&)> check;
    };
    const fs::path target = folder_ / "target.csv";
    const auto seriesIn = [](const fs::path& path) { EXPECT_THAT(Slurp(path), testing::StartsWith("bar,datetime,")); };
    const Row rows[] = {
        {"a symlink: its target is replaced and the link stays",
         [&] { WriteFile(target, kOld), fs::create_symlink("target.csv", folder_ / "link.csv"); },
         {"--series", At("link.csv")},
         0,
         [&](const CommandResult&) {
             EXPECT_TRUE(fs::is_symlink(folder_ / "link.csv"));
             seriesIn(target);
         }},
        {"a replaced file keeps its permission bits",
         [&] { WriteFile(target, kOld), fs::permissions(target, fs::perms(0640)); },
         {"--series", At("target.csv")},
         0,
         [&](const CommandResult&) {
             EXPECT_EQ(fs::status(target).permissions(), fs::perms(0640));
             seriesIn(target);
         }},
        {"a read-only file is refused and left alone (root included)",
         [&] { WriteFile(target, kOld), fs::permissions(target, fs::perms(0444)); },
         {"--series", At("target.csv")},
         1,
         [&](const CommandResult& result) {
             EXPECT_THAT(result.err, testing::HasSubstr("read-only"));
             EXPECT_EQ(Slurp(target), kOld);
         }},
        {"a folder is refused",
         [&] { fs::create_directory(folder_ / "folder"); },
         {"--drawings", At("folder")},
         1,
         [&](const CommandResult& result) { EXPECT_THAT(result.err, testing::HasSubstr("it is a folder")); }},
        {"a character device is written through and stays a device",
         [] {},
         {"--series", "/dev/null"},
         0,
         [](const CommandResult&) { EXPECT_TRUE(fs::is_character_file("/dev/null")); }},
        {"a failing second output leaves the first file as it was",
         [&] { WriteFile(target, kOld); },
         {"--series", At("target.csv"), "--drawings", "/dev/full"},
         1,
         [&](const CommandResult& result) {
             EXPECT_THAT(result.err, testing::HasSubstr("cannot write '/dev/full'"));
             EXPECT_EQ(Slurp(target), kOld);
         }},
        {"standard output",
         [] {},
         {"--drawings", "-"},
         0,
         [](const CommandResult& result) { EXPECT_THAT(result.out, testing::StartsWith("{\n  \"StudyIdentifier\"")); }},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.kind);
        fs::remove_all(folder_);
        fs::create_directories(folder_);
        row.prepare();
        const auto before = Entries(folder_);
        std::vector<std::string> arguments{"run", "--quiet"};
        arguments.insert(arguments.end(), row.arguments.begin(), row.arguments.end());
        const CommandResult result = RunKovra(arguments);
        EXPECT_EQ(result.exitCode, row.exitCode) << result.err;
        EXPECT_EQ(Entries(folder_), before) << "no temporary file may stay, nothing else may appear";
        row.check(result);
    }
}

TEST_F(OutputSafety, APipeIsWrittenThrough) {
    const fs::path pipe = folder_ / "pipe";
    ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
    std::string read;
    std::thread reader([&] { read = Slurp(pipe); });
    const CommandResult result = RunKovra({"run", "--quiet", "--series", pipe.string()});
    reader.join();
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_THAT(read, testing::StartsWith("bar,datetime,"));
    EXPECT_TRUE(fs::is_fifo(pipe));
}

// Every name of standard output is written through, to a file or a pipe
// standard output was sent to, and the summary stays out of it.
TEST_F(OutputSafety, StandardOutputByAnyNameIsWrittenThrough) {
    const fs::path pipe = folder_ / "pipe";
    ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
    for (const char* name : {"-", "/dev/stdout", "/proc/self/fd/1"}) {
        SCOPED_TRACE(name);
        const CommandResult toFile = RunKovra({"run", "--series", name});
        EXPECT_EQ(toFile.exitCode, 0) << toFile.err;
        EXPECT_THAT(toFile.out, testing::StartsWith("bar,datetime,"));
        EXPECT_THAT(toFile.out, testing::Not(testing::HasSubstr("recalculation:")));
        std::string piped;
        std::thread reader([&] { piped = Slurp(pipe); });
        const CommandResult toPipe = kovra::testing::FinishKovra(
            kovra::testing::StartKovra({"run", "--quiet", "--series", name}, pipe.string()));
        reader.join();
        EXPECT_EQ(toPipe.exitCode, 0) << toPipe.err;
        EXPECT_EQ(piped, toFile.out);
        EXPECT_THAT(Entries(folder_), testing::ElementsAre("bars.csv", "pipe")) << "no temporary file";
    }
}

// The temporary files exist from the start of a run; an interruption removes
// them, and so does a SIGBUS that no guard takes for a shortened bar file.
TEST_F(OutputSafety, InterruptionsRemoveTheTemporaryFiles) {
    for (const auto& [signal, exitCode] : {std::pair{SIGINT, 130}, {SIGTERM, 143}, {SIGBUS, 135}}) {
        WriteFile(folder_ / "series.csv", kOld);
        const auto running =
            kovra::testing::StartKovra({"run", "--quiet", "--bars", bars_.string(), "--ticks", "100000000", "--series",
                                        At("series.csv"), "--drawings", At("d.json")});
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (Entries(folder_).size() < 4 && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        EXPECT_EQ(Entries(folder_).size(), 4u) << "bars, series and two temporary files";
        kill(running.pid, signal);
        const CommandResult result = kovra::testing::FinishKovra(running);
        EXPECT_EQ(result.exitCode, exitCode) << result.err;
        EXPECT_THAT(Entries(folder_), testing::ElementsAre("bars.csv", "series.csv"));
        EXPECT_EQ(Slurp(folder_ / "series.csv"), kOld);
    }
}

TEST_F(OutputSafety, AFullStandardOutputIsAFailureWithAMessage) {
    for (const std::vector<std::string>& arguments :
         {std::vector<std::string>{"run"}, {"buttons"}, {"describe"}, {"levels", "20", "10"}, {"--help"}}) {
        const CommandResult result = kovra::testing::FinishKovra(kovra::testing::StartKovra(arguments, "/dev/full"));
        EXPECT_EQ(result.exitCode, 1) << arguments[0];
        EXPECT_EQ(result.err, "kovra: cannot write to standard output: No space left on device\n") << arguments[0];
    }
}

}  // namespace
