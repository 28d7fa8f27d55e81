#include <cmath>
#include <cstdio>
#include <string>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "host/BarsCsv.h"
#include "host/SplitMix64.h"

namespace kovra::host {
namespace {

constexpr int64_t kDay = 86'400'000'000, kMinute = 60'000'000;
constexpr int64_t k20240315 = 45366 * kDay;
constexpr const char* kHeader = "datetime,open,high,low,close\n";

std::string ErrorOf(std::string_view text) {
    try {
        ParseBarsCsv(text, "bars.csv");
    } catch (const BarsLoadError& error) {
        return error.what();
    }
    return "(loaded)";
}

TEST(BarsCsv, MalformedInputsNameFileLineAndColumn) {
    struct Row { std::string text, error; };
    const std::string h = kHeader;
    const std::string ok = "2024-03-15 09:30:00,1,2,0.5,1.5\n";
    const Row rows[] = {
        {"", "bars.csv:1:1: the file is empty; expected a header row naming the columns"},
        {"\xEF\xBB\xBF\r\n  \n", "bars.csv:1:1: the file is empty; expected a header row naming the columns"},
        {h, "bars.csv:1:1: no bars after the header row"},
        {"\n" + h + "\r\n\n", "bars.csv:2:1: no bars after the header row"},
        {"datetime,open,high,low\n" + ok, "bars.csv:1:1: the header row names no \"close\" column"},
        {"open,high,low,close\n1,2,0,1\n",
         "bars.csv:1:1: the header row names no \"datetime\" (or \"timestamp\") column, nor \"date\" and \"time\" columns"},
        {"date,open,high,low,close\n",
         "bars.csv:1:1: the header row names no \"datetime\" (or \"timestamp\") column, nor \"date\" and \"time\" columns"},
        {"2024-03-15 09:30:00,1,2,0.5,1.5\n",
         "bars.csv:1:1: the header row names no \"datetime\" (or \"timestamp\") column, nor \"date\" and \"time\" columns"},
        {"timestamp,date,time,open,high,low,close\n",
         "bars.csv:1:1: the header row names both a date-time column and separate \"date\"/\"time\" columns"},
        {"datetime,open,high,low,close,Open\n", "bars.csv:1:6: column \"Open\" appears twice"},
        {h + "2024-03-15 09:30:00,1,2,0.5\n", "bars.csv:2:5: missing field (column \"close\")"},
        {h + "2024-03-15 09:30:00,1,2,0.5,1.5,7\n", "bars.csv:2:6: 6 fields where the header row names 5"},
        {h + ok + "2024-03-15 09:31:00,1,abc,0.5,1.5\n", "bars.csv:3:3: 'abc' is not a number (column \"high\")"},
        {h + "\n" + ok + "\n" + "2024-03-15 09:31:00,1,2,,1.5\n", "bars.csv:5:4: missing value (column \"low\")"},
        {h + "2024-03-15 09:30:00,nan,2,0.5,1.5\n", "bars.csv:2:2: 'nan' is not a finite number (column \"open\")"},
        {h + "2024-03-15 09:30:00,1,inf,0.5,1.5\n", "bars.csv:2:3: 'inf' is not a finite number (column \"high\")"},
        {h + "2024-03-15 09:30:00,1,2,-INF,1.5\n", "bars.csv:2:4: '-INF' is not a finite number (column \"low\")"},
        {h + "2024-03-15 09:30:00,1,2,0.5,1e39\n",
         "bars.csv:2:5: '1e39' is out of range for a 32-bit float (column \"close\")"},
        {h + "2024-03-15 09:30:00,1e400,2,0.5,1\n",
         "bars.csv:2:2: '1e400' is out of range for a 32-bit float (column \"open\")"},
        {h + "2024-03-15 09:30:00,4512.25x,2,0.5,1\n", "bars.csv:2:2: '4512.25x' is not a number (column \"open\")"},
        {h + "2024-03-15 09:30:00,0x10,2,0.5,1\n", "bars.csv:2:2: '0x10' is not a number (column \"open\")"},
        {h + "2024-03-15 09:30:00,+1,2,0.5,1\n", "bars.csv:2:2: '+1' is not a number (column \"open\")"},
        {h + "2024-03-15 09:30:00,1,2,0.5,a\x01\x7F" "b\n",
         "bars.csv:2:5: 'a\\x01\\x7Fb' is not a number (column \"close\")"},
        {"datetime;open;high;low;close\n2024-03-15 09:30:00;4512,25;2;0.5;1\n",
         "bars.csv:2:2: '4512,25' is not a number (column \"open\")"},
        {h + "2024-02-30 09:30:00,1,2,0.5,1\n", "bars.csv:2:1: '2024-02-30 09:30:00' is not a date-time: "
                                                "day 30 is out of range for 2024-02 (column \"datetime\")"},
        {h + "2023-02-29 09:30,1,2,0.5,1\n", "bars.csv:2:1: '2023-02-29 09:30' is not a date-time: "
                                             "day 29 is out of range for 2023-02 (column \"datetime\")"},
        {h + "2024-13-01 09:30,1,2,0.5,1\n",
         "bars.csv:2:1: '2024-13-01 09:30' is not a date-time: month 13 is out of range (column \"datetime\")"},
        {h + "2024-00-01 09:30,1,2,0.5,1\n",
         "bars.csv:2:1: '2024-00-01 09:30' is not a date-time: month 0 is out of range (column \"datetime\")"},
        {h + "2024-03-15 24:00,1,2,0.5,1\n",
         "bars.csv:2:1: '2024-03-15 24:00' is not a date-time: hour 24 is out of range (column \"datetime\")"},
        {h + "2024-03-15 09:60,1,2,0.5,1\n",
         "bars.csv:2:1: '2024-03-15 09:60' is not a date-time: minute 60 is out of range (column \"datetime\")"},
        {h + "2024-03-15 09:30:60,1,2,0.5,1\n",
         "bars.csv:2:1: '2024-03-15 09:30:60' is not a date-time: second 60 is out of range (column \"datetime\")"},
        {h + "2024-03-15 9:30,1,2,0.5,1\n", "bars.csv:2:1: '2024-03-15 9:30' is not a date-time: "
                                            "expected YYYY-MM-DD HH:MM[:SS[.ffffff]] (column \"datetime\")"},
        {h + "2024/03/15 09:30,1,2,0.5,1\n", "bars.csv:2:1: '2024/03/15 09:30' is not a date-time: "
                                             "expected YYYY-MM-DD HH:MM[:SS[.ffffff]] (column \"datetime\")"},
        {h + "2024-03-15 09:30:00Z,1,2,0.5,1\n", "bars.csv:2:1: '2024-03-15 09:30:00Z' is not a date-time: "
                                                 "expected YYYY-MM-DD HH:MM[:SS[.ffffff]] (column \"datetime\")"},
        {h + "2024-03-15 09:30:00.1234567,1,2,0.5,1\n",
         "bars.csv:2:1: '2024-03-15 09:30:00.1234567' is not a date-time: "
         "expected YYYY-MM-DD HH:MM[:SS[.ffffff]] (column \"datetime\")"},
        {"Date;Time;Open;High;Low;Close\n2024-03-15;25:00;1;2;0;1\n",
         "bars.csv:2:2: '25:00' is not a time of day: hour 25 is out of range (column \"Time\")"},
        {"Date;Time;Open;High;Low;Close\n2024-03-15 09:30;09:30;1;2;0;1\n",
         "bars.csv:2:1: '2024-03-15 09:30' is not a date: expected YYYY-MM-DD (column \"Date\")"},
        {h + ok + "2024-03-15 09:29:00,1,2,0.5,1\n",
         "bars.csv:3:1: time goes backwards: 2024-03-15 09:29:00 is before the previous bar's "
         "2024-03-15 09:30:00 (column \"datetime\")"},
        {"date,time,open,high,low,close\n2024-03-15,09:30,1,2,0,1\n2024-03-14,16:00,1,2,0,1\n",
         "bars.csv:3:1: time goes backwards: 2024-03-14 16:00:00 is before the previous bar's "
         "2024-03-15 09:30:00 (column \"date\")"},
    };
    for (const Row& row : rows) EXPECT_EQ(ErrorOf(row.text), row.error) << "input:\n" << row.text;
}

void ExpectBar(const BarColumns& bars, int32_t bar, int64_t dateTime, float o, float h, float l, float c, float v) {
    const auto i = static_cast<size_t>(bar);
    EXPECT_EQ(bars.dateTimes[i], dateTime) << "bar " << bar;
    EXPECT_EQ(bars.open[i], o) << "bar " << bar;
    EXPECT_EQ(bars.high[i], h) << "bar " << bar;
    EXPECT_EQ(bars.low[i], l) << "bar " << bar;
    EXPECT_EQ(bars.close[i], c) << "bar " << bar;
    EXPECT_EQ(bars.volume[i], v) << "bar " << bar;
}

// The same two bars written in every accepted form.
TEST(BarsCsv, AcceptsEveryHeaderAndLineForm) {
    const char* const forms[] = {
        "datetime,open,high,low,close,volume\n2024-03-15 09:30:00,4512.25,4513.5,4511,4512.75,120\n"
        "2024-03-15 09:31:00,4512.75,4514,4512.5,4513.25,80\n",
        "\xEF\xBB\xBFTimeStamp;OPEN;High;low;Close;Volume\r\n2024-03-15T09:30;4512.25;4513.50;4511.00;4512.75;120\r\n"
        "2024-03-15T09:31;4512.75;4514;4512.5;4513.25;80\r\n\r\n\r\n",
        "date,time,open,high,low,close,volume,open interest\n 2024-03-15 , 09:30:00 ,4512.25,4513.5,4511,4512.75,120,9\n"
        "\n2024-03-15,09:31:00.000,4512.75,4514,4512.5,4513.25,8e1,9",
        "volume;close;low;high;open;date;time\n120;4512.75;4511;4513.5;4512.25;2024-03-15;09:30\n"
        "80;4513.25;4512.5;4514;4512.75;2024-03-15;09:31\n\n",
    };
    for (const char* form : forms) {
        SCOPED_TRACE(form);
        const LoadedBars loaded = ParseBarsCsv(form, "bars.csv");
        ASSERT_EQ(loaded.bars.size(), 2);
        ExpectBar(loaded.bars, 0, k20240315 + 570 * kMinute, 4512.25f, 4513.5f, 4511.0f, 4512.75f, 120.0f);
        ExpectBar(loaded.bars, 1, k20240315 + 571 * kMinute, 4512.75f, 4514.0f, 4512.5f, 4513.25f, 80.0f);
        EXPECT_EQ(loaded.badRangeBars, 0);
    }
}

TEST(BarsCsv, VolumeIsOptionalAndEqualTimesAreAllowed) {
    const LoadedBars loaded =
        ParseBarsCsv("datetime,open,high,low,close\n2024-03-15 09:30,1,2,0,1\n2024-03-15 09:30,1,2,0,1\n", "b");
    ASSERT_EQ(loaded.bars.size(), 2);
    EXPECT_EQ(loaded.bars.dateTimes[0], loaded.bars.dateTimes[1]);
    EXPECT_EQ(loaded.bars.volume[1], 0.0f);
}

TEST(BarsCsv, PricesNarrowFromTheNearestDouble) {
    const LoadedBars loaded =
        ParseBarsCsv("datetime,open,high,low,close\n2024-03-15 09:30,0.1,16777217,-4512.25,1.0000000596046448\n", "b");
    EXPECT_EQ(loaded.bars.open[0], 0.1f);
    EXPECT_EQ(loaded.bars.high[0], 16777216.0f);  // 2^24 + 1 has no float; ties go to even
    EXPECT_EQ(loaded.bars.low[0], -4512.25f);
    // Exactly halfway between two floats as a double: narrowing rounds to even (1.0f).
    EXPECT_EQ(loaded.bars.close[0], 1.0f);
}

TEST(BarsCsv, BarsWithTheHighBelowLowOpenOrCloseAreCountedNotRejected) {
    const LoadedBars loaded = ParseBarsCsv(
        "datetime,open,high,low,close\n"
        "2024-03-15 09:30,10,12,9,11\n"    // sound
        "2024-03-15 09:31,10,8,9,9\n"      // high below low and open
        "2024-03-15 09:32,10,10.5,9,11\n"  // high below close
        "2024-03-15 09:33,11,10.5,9,10\n"  // high below open
        "2024-03-15 09:34,10,10,10,10\n",  // flat: sound
        "b");
    ASSERT_EQ(loaded.bars.size(), 5);
    EXPECT_EQ(loaded.badRangeBars, 3);
    EXPECT_EQ(loaded.bars.high[1], 8.0f);
}

TEST(BarsCsv, PriceDecimalsAreTheMostAnyPriceWrites) {
    struct Row { const char* price; int32_t decimals; };
    const Row rows[] = {{"4512", 0}, {"4512.25", 2}, {"4512.250", 3}, {"1.5e-3", 4}, {"45.1e1", 0},
                        {"1.5E+1", 0}, {"1.234567890123", 9}, {"1e-12", 9}, {"0e-99999999999", 9}};
    for (const Row& row : rows) {
        const std::string text = std::string("datetime,open,high,low,close,volume\n2024-03-15 09:30,1,1,1,") +
                                 row.price + ",1.12345\n";
        EXPECT_EQ(ParseBarsCsv(text, "b").priceDecimals, row.decimals) << row.price;
    }
}

TEST(BarsCsv, LoadsFilesAndNamesUnreadableOnes) {
    const std::string path = testing::TempDir() + "/bars-load-test.csv";
    std::FILE* file = std::fopen(path.c_str(), "wb");
    ASSERT_NE(file, nullptr);
    std::fputs("datetime,open,high,low,close\n2024-03-15 09:30,1,2,0,x\n", file);
    std::fclose(file);
    try {
        LoadBarsCsv(path);
        ADD_FAILURE() << "loaded a bad file";
    } catch (const BarsLoadError& error) {
        EXPECT_EQ(std::string(error.what()), path + ":2:5: 'x' is not a number (column \"close\")");
    }
    std::remove(path.c_str());
    EXPECT_THAT([&] { LoadBarsCsv(path); },
                testing::ThrowsMessage<BarsLoadError>(path + ": cannot read the bar file: No such file or directory"));
    EXPECT_THAT([] { LoadBarsCsv("/"); },
                testing::ThrowsMessage<BarsLoadError>("/: cannot read the bar file: Is a directory"));
}

// Seeded mutations of a valid file (bytes replaced, inserted, removed): every
// result is either bars or a BarsLoadError, never another failure (the sanitizer
// build also checks for undefined behaviour here).
TEST(BarsCsv, MutatedFilesLoadOrFailCleanly) {
    const std::string valid = std::string("\xEF\xBB\xBF") + "date;time;open;high;low;close;volume\r\n" +
                              "2024-02-29;09:30:00.5;4512.25;4513.5;4511;4512.75;120\r\n" +
                              "2024-02-29;09:31;4512.75;4514;4512.5;4513.25;1e3\r\n";
    const char interesting[] = {',', ';', '\n', '\r', '.', '-', ':', 'e', 'T', ' ', '9', '0', '\0', '\xEF'};
    SplitMix64 random(2188);
    int64_t loaded = 0;
    for (int trial = 0; trial < 20000; ++trial) {
        std::string text = valid;
        const auto edits = 1 + random.Next() % 4;
        for (uint64_t edit = 0; edit < edits && !text.empty(); ++edit) {
            const size_t at = random.Next() % text.size();
            const char byte = random.Next() % 2 ? interesting[random.Next() % sizeof interesting]
                                                : static_cast<char>(random.Next());
            switch (random.Next() % 3) {
                case 0: text[at] = byte; break;
                case 1: text.insert(at, 1, byte); break;
                default: text.erase(at, 1 + random.Next() % 8); break;
            }
        }
        try {
            const LoadedBars bars = ParseBarsCsv(text, "fuzz.csv");
            EXPECT_GT(bars.bars.size(), 0);
            ++loaded;
        } catch (const BarsLoadError& error) {
            EXPECT_THAT(error.what(), testing::StartsWith("fuzz.csv:"));
            EXPECT_EQ(std::string(error.what()).find('\n'), std::string::npos);
        }
    }
    EXPECT_GT(loaded, 0);  // the mutations do not all break the file
}

}  // namespace
}  // namespace kovra::host
