// A followed bar file: only complete appended lines are read, in order; a file
// replaced, recreated or shortened is loaded again whole.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>

#include "host/serve/FollowedFile.h"
#include "tests/support/RunKovra.h"

namespace {

using kovra::host::FollowedChange;
using kovra::host::FollowedFile;

void Write(const std::string& path, const std::string& text, std::ios::openmode mode = std::ios::trunc) {
    std::ofstream(path, std::ios::binary | std::ios::out | mode) << text;
}

TEST(FollowedFile, ReadsCompleteAppendedLinesInTheFilesOwnDecimalMark) {
    const std::string path = kovra::testing::FreshTestFolder("followed_file") + "/bars.csv";
    Write(path, "Date;Time;Open;High;Low;Close\n2024-01-02;09:30;1;2;0,5;1,5\n");
    std::vector<std::string> warnings;
    kovra::host::BarsLoadOptions options;
    options.numberMarks = kovra::host::NumberMarks::kCommaDecimal;  // as the loaded file showed
    FollowedFile followed(
        path, [&warnings](const std::string& line) { warnings.push_back(line); }, options);
    EXPECT_TRUE(followed.ReadChanges().appended.empty()) << "the lines already there are not new";

    Write(path, "\n2024-01-02;09:31;1.500;2.000;1.000;1.750\n2024-01-02;09:32;1,75;2", std::ios::app);
    FollowedChange change = followed.ReadChanges();
    ASSERT_EQ(change.appended.size(), 1u) << "a blank line is skipped, an unfinished one waits";
    EXPECT_EQ(change.appended[0].close, 1750.0f) << "a point groups thousands in this file";
    Write(path, ";1;1,25\n2024-01-02;09:33;1;2;0", std::ios::app);
    Write(path, std::string("\0;1\n", 4), std::ios::app);
    change = followed.ReadChanges();
    ASSERT_EQ(change.appended.size(), 1u);
    EXPECT_EQ(change.appended[0].open, 1.75f);
    EXPECT_EQ(change.appended[0].close, 1.25f);
    EXPECT_FALSE(change.reloaded);
    EXPECT_THAT(warnings, testing::ElementsAre(path + ":6:23: a NUL byte: the line is binary, not text; skipped"));
}

// Lines appended between the chart's load and the start of following are
// the first it gives, with their own line numbers; a file now shorter than
// what was loaded is loaded again whole.
TEST(FollowedFile, GoesOnFromWhereTheLoadStoppedSoNoLineAppendedMeanwhileIsMissed) {
    const std::string path = kovra::testing::FreshTestFolder("followed_from") + "/bars.csv";
    const std::string loaded = "datetime,open,high,low,close\n2024-01-02 09:30:00,1,2,0,1\n";
    Write(path, loaded + "2024-01-02 09:31:00,1,3,0,2\n2024-01-02 09:32:00,1,4,0,x\n");
    std::vector<std::string> warnings;
    FollowedFile followed(
        path, [&warnings](const std::string& line) { warnings.push_back(line); }, {}, loaded.size());
    const FollowedChange change = followed.ReadChanges();
    ASSERT_EQ(change.appended.size(), 1u);
    EXPECT_EQ(change.appended[0].high, 3.0f);
    ASSERT_EQ(warnings.size(), 1u);
    EXPECT_THAT(warnings[0], testing::StartsWith(path + ":4:"));

    Write(path, loaded);
    FollowedFile beyond(
        path, [&warnings](const std::string& line) { warnings.push_back(line); }, {}, 4096);
    EXPECT_TRUE(beyond.ReadChanges().reloaded) << "shorter than what was loaded: rewritten";
    EXPECT_THAT(warnings.back(),
                testing::EndsWith("the bar file was replaced or got shorter; loaded its 1 bar(s) again"));
}

// Each way a writer puts a new file in place: the follower loads it whole,
// says so, and reads the lines appended to it after that.
TEST(FollowedFile, AReplacedRecreatedOrShortenedFileIsLoadedAgainWhole) {
    const std::string folder = kovra::testing::FreshTestFolder("followed_replaced");
    const std::string path = folder + "/bars.csv";
    const std::string header = "datetime,open,high,low,close\n";
    const auto bars = [](int first, int count) {
        std::string text;
        for (int minute = first; minute < first + count; ++minute)
            text += "2024-01-02 10:" + std::string(minute < 10 ? "0" : "") + std::to_string(minute) + ":00,1,99,0," +
                    std::to_string(minute) + "\n";
        return text;
    };
    struct Row {
        const char* how;
        std::function<void(const std::string& contents)> replace;
        int count;  // bars in the new file
    };
    const auto renameOver = [&](const std::string& contents) {
        Write(folder + "/new.csv", contents);
        std::rename((folder + "/new.csv").c_str(), path.c_str());
    };
    const auto recreate = [&](const std::string& contents) {
        std::remove(path.c_str());
        Write(path, contents);
    };
    const auto rewrite = [&](const std::string& contents) { Write(path, contents); };
    const Row rows[] = {
        {"renamed over by a shorter file", renameOver, 3}, {"renamed over by a longer file", renameOver, 30},
        {"deleted and created again", recreate, 12},       {"shortened in place", rewrite, 4},
        {"rewritten in place, no shorter", rewrite, 10},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.how);
        Write(path, header + bars(0, 10));
        std::vector<std::string> warnings;
        FollowedFile followed(path, [&warnings](const std::string& line) { warnings.push_back(line); });
        row.replace(header + bars(20, row.count));
        FollowedChange change = followed.ReadChanges();
        EXPECT_TRUE(change.appended.empty());
        ASSERT_TRUE(change.reloaded);
        ASSERT_EQ(change.reloaded->size(), row.count);
        EXPECT_EQ(change.reloaded->close.front(), 20.0f) << "read from its first bar";
        EXPECT_EQ(change.reloaded->close.back(), static_cast<float>(19 + row.count));
        EXPECT_THAT(warnings, testing::ElementsAre(path + ": the bar file was replaced or got shorter; loaded its " +
                                                   std::to_string(row.count) + " bar(s) again"));

        Write(path, bars(20 + row.count, 1) + "2024-01-02 10:59:00,1,99,0,x\n", std::ios::app);
        change = followed.ReadChanges();
        EXPECT_FALSE(change.reloaded);
        ASSERT_EQ(change.appended.size(), 1u);
        EXPECT_EQ(change.appended[0].close, static_cast<float>(20 + row.count));
        ASSERT_EQ(warnings.size(), 2u);
        EXPECT_THAT(warnings[1], testing::StartsWith(path + ":" + std::to_string(row.count + 3) + ":5: 'x' is not"));
    }
}

// Between delete and create the file is waited for; a replacement that does
// not load is reported once and tried again when it changes.
TEST(FollowedFile, AMissingOrBadReplacementIsWaitedFor) {
    const std::string path = kovra::testing::FreshTestFolder("followed_waits") + "/bars.csv";
    Write(path, "datetime,open,high,low,close\n2024-01-02 10:00:00,1,2,0,1\n");
    std::vector<std::string> warnings;
    FollowedFile followed(path, [&warnings](const std::string& line) { warnings.push_back(line); });
    std::remove(path.c_str());
    EXPECT_FALSE(followed.ReadChanges().reloaded);
    Write(path, "");
    EXPECT_FALSE(followed.ReadChanges().reloaded) << "created, nothing written yet";
    Write(path, "datetime,open,high,low,close\n2024-01-02 10:00:00,1,2,0,x\n");
    EXPECT_FALSE(followed.ReadChanges().reloaded);
    EXPECT_FALSE(followed.ReadChanges().reloaded);
    Write(path, "datetime,open,high,low,close\n2024-01-02 10:00:00,1,2,0,1.5\n2024-01-02 10:01:00,1,9,0,2");
    const FollowedChange change = followed.ReadChanges();
    ASSERT_TRUE(change.reloaded);
    EXPECT_EQ(change.reloaded->size(), 1) << "its unfinished last line waits";
    EXPECT_THAT(warnings, testing::ElementsAre(path + ":2:5: 'x' is not a number (column \"close\"); the chart keeps "
                                                      "its bars until the file changes again",
                                               testing::HasSubstr("loaded its 1 bar(s) again")));
    Write(path, ".5\n", std::ios::app);
    ASSERT_EQ(followed.ReadChanges().appended.size(), 1u);
}

}  // namespace
