// Timeframes: how they read, which buckets bars fall into (gaps, weekends,
// daylight saving, day starts, month ends, a leap day), which timeframes bars
// refuse, and that buckets of buckets are the buckets of the source bars.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "host/bars/BarAggregator.h"
#include "host/bars/BarsCsv.h"
#include "host/bars/SplitMix64.h"
#include "host/bars/Timeframe.h"
#include "host/text/DateTimeText.h"
#include "host/text/DateTimes.h"

namespace {

using kovra::host::AggregateBars;
using kovra::host::Bar;
using kovra::host::BarAggregator;
using kovra::host::BarColumns;
using kovra::host::CheckTimeframeFits;
using kovra::host::FormatDateTime;
using kovra::host::ParseDayStart;
using kovra::host::ParseTimeframe;
using kovra::host::Timeframe;
using kovra::host::TimeframeBuckets;
using kovra::host::TimeframeError;
using kovra::host::TimeUnit;

constexpr int64_t kMinute = 60'000'000;

struct Row {
    std::string dateTime;
    float open, high, low, close, volume;
};

BarColumns BarsOf(const std::vector<Row>& rows) {
    BarColumns bars;
    for (const Row& row : rows)
        bars.Append(kovra::host::ParseDateTime(row.dateTime).microseconds, row.open, row.high, row.low, row.close,
                    row.volume);
    return bars;
}

std::vector<Row> RowsOf(const BarColumns& bars) {
    std::vector<Row> rows;
    for (int32_t i = 0; i < bars.size(); ++i) {
        const Bar bar = bars.At(i);
        rows.push_back({FormatDateTime(bar.dateTime), bar.open, bar.high, bar.low, bar.close, bar.volume});
    }
    return rows;
}

std::string Text(const std::vector<Row>& rows) {
    std::string text;
    for (const Row& row : rows)
        text += row.dateTime + " " + std::to_string(row.open) + " " + std::to_string(row.high) + " " +
                std::to_string(row.low) + " " + std::to_string(row.close) + " " + std::to_string(row.volume) + "\n";
    return text;
}

// The bars of a CSV text of instants, in New York's wall clock.
BarColumns NewYorkBars(const std::string& csv) {
    kovra::host::BarsLoadOptions options;
    options.timeZone = "America/New_York";
    return kovra::host::ParseBarsCsv("datetime,open,high,low,close,volume\n" + csv, "test", options).bars;
}

TimeframeBuckets Buckets(const std::string& timeframe, const std::string& dayStart = "00:00") {
    return TimeframeBuckets(ParseTimeframe(timeframe), ParseDayStart(dayStart));
}

TEST(Timeframe, ReadsEveryUnitAndWritesItBack) {
    struct Case {
        const char* text;
        TimeUnit unit;
        int32_t count;
        const char* written;
    };
    const Case cases[] = {
        {"30s", TimeUnit::kSecond, 30, "30s"}, {"1m", TimeUnit::kMinute, 1, "1m"},
        {"90m", TimeUnit::kMinute, 90, "90m"}, {"4h", TimeUnit::kHour, 4, "4h"},
        {"24h", TimeUnit::kHour, 24, "24h"},   {"1d", TimeUnit::kDay, 1, "1d"},
        {"2w", TimeUnit::kWeek, 2, "2w"},      {"1M", TimeUnit::kMonth, 1, "1M"},
        {"3mo", TimeUnit::kMonth, 3, "3M"},    {"86400s", TimeUnit::kSecond, 86400, "86400s"},
    };
    for (const Case& c : cases) {
        const Timeframe timeframe = ParseTimeframe(c.text);
        EXPECT_EQ(timeframe, (Timeframe{c.unit, c.count})) << c.text;
        EXPECT_EQ(kovra::host::FormatTimeframe(timeframe), c.written);
    }
}

TEST(Timeframe, RefusesWhatIsNoTimeframeSayingWhy) {
    struct Case {
        const char* text;
        const char* message;
    };
    const Case cases[] = {
        {"", "'' is not a timeframe: expected a whole number and a unit, such as 30s, 5m, 4h, 1d, 1w or 1M"},
        {"m", "'m' is not a timeframe: expected a whole number and a unit, such as 30s, 5m, 4h, 1d, 1w or 1M"},
        {"-5m", "'-5m' is not a timeframe: the number must be 1 or more"},
        {"+5m", "'+5m' is not a timeframe: expected a whole number and a unit, such as 30s, 5m, 4h, 1d, 1w or 1M"},
        {"5 m", "'5 m' is not a timeframe: the unit must be s, m, h, d, w, or M (or mo) for calendar months"},
        {"5x", "'5x' is not a timeframe: the unit must be s, m, h, d, w, or M (or mo) for calendar months"},
        {"1H", "'1H' is not a timeframe: the unit must be s, m, h, d, w, or M (or mo) for calendar months"},
        {"0m", "'0m' is not a timeframe: the number must be 1 or more"},
        {"25h", "'25h' is not a timeframe: at most a day, 24h"},
        {"1441m", "'1441m' is not a timeframe: at most a day, 1440m"},
        {"10001d", "'10001d' is not a timeframe: at most 10000d"},
        {"99999999999999999999m", "'99999999999999999999...' is not a timeframe: the number is too large"},
    };
    for (const Case& c : cases) {
        try {
            ParseTimeframe(c.text);
            ADD_FAILURE() << c.text << " was taken";
        } catch (const TimeframeError& error) {
            EXPECT_STREQ(error.what(), c.message);
        }
    }
}

TEST(Timeframe, ReadsDayStartsAndRefusesOthers) {
    EXPECT_EQ(ParseDayStart("00:00"), 0);
    EXPECT_EQ(ParseDayStart("9:30"), (9 * 60 + 30) * kMinute);
    EXPECT_EQ(ParseDayStart("17:00"), 17 * 60 * kMinute);
    EXPECT_EQ(ParseDayStart("23:59"), (23 * 60 + 59) * kMinute);
    for (const char* text : {"", "24:00", "9:60", "9:5", "0930", "-1:00", "+9:30", "09:30:00", "a:bc"})
        EXPECT_THROW(ParseDayStart(text), TimeframeError) << text;
}

// Each case's source bars, timeframe and day start, and the buckets they make.
struct BucketCase {
    const char* what;
    std::vector<Row> sources;
    const char* timeframe;
    const char* dayStart;
    std::vector<Row> buckets;
};

void ExpectBuckets(const BucketCase& c, const BarColumns& sources) {
    const std::vector<Row> made = RowsOf(AggregateBars(sources, Buckets(c.timeframe, c.dayStart)));
    EXPECT_EQ(Text(made), Text(c.buckets)) << c.what;
}

TEST(Timeframe, PutsHandMadeBarsIntoTheirBuckets) {
    const BucketCase cases[] = {
        {"a gap leaves its buckets out; the open is the first bar's, the close the last's",
         {{"2024-03-04 09:30", 10, 12, 9, 11, 1},
          {"2024-03-04 09:31", 11, 15, 10, 14, 2},
          {"2024-03-04 09:34", 14, 14, 8, 9, 3},
          {"2024-03-04 09:41", 9, 10, 9, 10, 4}},
         "5m",
         "00:00",
         {{"2024-03-04 09:30:00", 10, 15, 8, 9, 6}, {"2024-03-04 09:40:00", 9, 10, 9, 10, 4}}},
        {"a weekend: Thursday and Friday make one week, Monday starts the next",
         {{"2024-03-07", 1, 2, 1, 2, 1}, {"2024-03-08", 2, 3, 2, 3, 1}, {"2024-03-11", 3, 5, 3, 4, 1}},
         "1w",
         "00:00",
         {{"2024-03-04 00:00:00", 1, 3, 1, 3, 2}, {"2024-03-11 00:00:00", 3, 5, 3, 4, 1}}},
        {"a day that starts at 17:00 starts the evening before and is named after the next date",
         {{"2024-03-01 16:00", 1, 1, 1, 1, 1},
          {"2024-03-03 17:00", 2, 2, 2, 2, 1},
          {"2024-03-04 09:00", 3, 3, 3, 3, 1},
          {"2024-03-04 17:00", 4, 4, 4, 4, 1}},
         "1d",
         "17:00",
         {{"2024-02-29 17:00:00", 1, 1, 1, 1, 1},
          {"2024-03-03 17:00:00", 2, 3, 2, 3, 2},
          {"2024-03-04 17:00:00", 4, 4, 4, 4, 1}}},
        {"weeks starting Sunday evening",
         {{"2024-03-01 16:00", 1, 1, 1, 1, 1},
          {"2024-03-03 17:00", 2, 2, 2, 2, 1},
          {"2024-03-08 16:00", 3, 3, 3, 3, 1}},
         "1w",
         "17:00",
         {{"2024-02-25 17:00:00", 1, 1, 1, 1, 1}, {"2024-03-03 17:00:00", 2, 3, 2, 3, 2}}},
        {"hours from 09:30: a bar before it ends the day before",
         {{"2024-03-04 09:00", 1, 1, 1, 1, 1},
          {"2024-03-04 09:30", 2, 2, 2, 2, 1},
          {"2024-03-04 10:00", 3, 3, 3, 3, 1},
          {"2024-03-04 10:30", 4, 4, 4, 4, 1}},
         "1h",
         "09:30",
         {{"2024-03-04 08:30:00", 1, 1, 1, 1, 1},
          {"2024-03-04 09:30:00", 2, 3, 2, 3, 2},
          {"2024-03-04 10:30:00", 4, 4, 4, 4, 1}}},
        {"seven hours: the day's last bucket ends with the day",
         {{"2024-03-04 20:00", 1, 1, 1, 1, 1},
          {"2024-03-04 23:00", 2, 2, 2, 2, 1},
          {"2024-03-05 00:00", 3, 3, 3, 3, 1}},
         "7h",
         "00:00",
         {{"2024-03-04 14:00:00", 1, 1, 1, 1, 1},
          {"2024-03-04 21:00:00", 2, 2, 2, 2, 1},
          {"2024-03-05 00:00:00", 3, 3, 3, 3, 1}}},
        {"a month end and a leap day",
         {{"2024-02-28", 1, 2, 1, 2, 1}, {"2024-02-29", 2, 4, 2, 3, 1}, {"2024-03-01", 3, 3, 1, 1, 1}},
         "1M",
         "00:00",
         {{"2024-02-01 00:00:00", 1, 4, 1, 3, 2}, {"2024-03-01 00:00:00", 3, 3, 1, 1, 1}}},
        {"the leap day's evening opens March when days start at 17:00",
         {{"2024-02-29 16:00", 1, 1, 1, 1, 1},
          {"2024-02-29 17:00", 2, 2, 2, 2, 1},
          {"2024-03-31 16:00", 3, 3, 3, 3, 1}},
         "1M",
         "17:00",
         {{"2024-01-31 17:00:00", 1, 1, 1, 1, 1}, {"2024-02-29 17:00:00", 2, 3, 2, 3, 2}}},
        {"daily bars dated at midnight keep their date with a morning day start",
         {{"2024-03-28", 1, 1, 1, 1, 1}, {"2024-03-29", 1, 1, 1, 1, 1}, {"2024-04-01", 2, 2, 2, 2, 1}},
         "1M",
         "09:30",
         {{"2024-03-01 09:30:00", 1, 1, 1, 1, 2}, {"2024-04-01 09:30:00", 2, 2, 2, 2, 1}}},
        {"quarters",
         {{"2024-03-29", 1, 1, 1, 1, 1}, {"2024-04-01", 2, 2, 2, 2, 1}, {"2024-06-28", 3, 3, 3, 3, 1}},
         "3M",
         "00:00",
         {{"2024-01-01 00:00:00", 1, 1, 1, 1, 1}, {"2024-04-01 00:00:00", 2, 3, 2, 3, 2}}},
    };
    for (const BucketCase& c : cases) ExpectBuckets(c, BarsOf(c.sources));
}

TEST(Timeframe, FollowsNewYorksWallClockThroughDaylightSaving) {
    struct ZoneCase {
        BucketCase buckets;
        std::string instants;  // the source bars as a CSV's rows
    };
    const ZoneCase cases[] = {
        {{"spring forward: the hour from 02:00 is missing",
          {},
          "1h",
          "00:00",
          {{"2024-03-10 01:00:00", 1, 2, 1, 2, 2}, {"2024-03-10 03:00:00", 3, 4, 3, 4, 2}}},
         "2024-03-10T06:00Z,1,1,1,1,1\n2024-03-10T06:30Z,2,2,2,2,1\n"
         "2024-03-10T07:00Z,3,3,3,3,1\n2024-03-10T07:30Z,4,4,4,4,1\n"},
        {{"fall back: the hour from 01:00 comes twice and its bucket holds both",
          {},
          "1h",
          "00:00",
          {{"2024-11-03 01:00:00", 1, 4, 1, 4, 4}, {"2024-11-03 02:00:00", 5, 5, 5, 5, 1}}},
         "2024-11-03T05:00Z,1,1,1,1,1\n2024-11-03T05:30Z,2,2,2,2,1\n2024-11-03T06:00Z,3,3,3,3,1\n"
         "2024-11-03T06:30Z,4,4,4,4,1\n2024-11-03T07:00Z,5,5,5,5,1\n"},
        {{"fall back: half hours repeat as the bars do",
          {},
          "30m",
          "00:00",
          {{"2024-11-03 01:00:00", 1, 1, 1, 1, 1},
           {"2024-11-03 01:30:00", 2, 2, 2, 2, 1},
           {"2024-11-03 01:00:00", 3, 3, 3, 3, 1},
           {"2024-11-03 01:30:00", 4, 4, 4, 4, 1}}},
         "2024-11-03T05:00Z,1,1,1,1,1\n2024-11-03T05:30Z,2,2,2,2,1\n2024-11-03T06:00Z,3,3,3,3,1\n"
         "2024-11-03T06:30Z,4,4,4,4,1\n"},
        {{"the 25-hour day is one day",
          {},
          "1d",
          "00:00",
          {{"2024-11-03 00:00:00", 1, 2, 1, 2, 2}, {"2024-11-04 00:00:00", 3, 3, 3, 3, 1}}},
         "2024-11-03T04:00Z,1,1,1,1,1\n2024-11-04T04:30Z,2,2,2,2,1\n2024-11-04T05:00Z,3,3,3,3,1\n"},
    };
    for (const ZoneCase& c : cases) ExpectBuckets(c.buckets, NewYorkBars(c.instants));
}

TEST(Timeframe, RefusesTimeframesTheBarsDoNotFitSayingWhatTheBarsAre) {
    const std::vector<Row> fiveMinutes = {
        {"2024-03-04 09:30", 1, 1, 1, 1, 1}, {"2024-03-04 09:35", 1, 1, 1, 1, 1}, {"2024-03-04 09:45", 1, 1, 1, 1, 1}};
    const std::vector<Row> halfHours = {{"2024-03-04 09:00", 1, 1, 1, 1, 1}, {"2024-03-04 09:30", 1, 1, 1, 1, 1}};
    const std::vector<Row> days = {{"2024-03-04", 1, 1, 1, 1, 1}, {"2024-03-05", 1, 1, 1, 1, 1}};
    const std::vector<Row> weeks = {{"2024-03-04", 1, 1, 1, 1, 1}, {"2024-03-11", 1, 1, 1, 1, 1}};
    const std::vector<Row> sevenMinutes = {{"2024-03-04 00:00", 1, 1, 1, 1, 1}, {"2024-03-04 00:07", 1, 1, 1, 1, 1}};
    const std::vector<Row> irregular = {
        {"2024-03-04 09:30", 1, 1, 1, 1, 1}, {"2024-03-04 09:32", 1, 1, 1, 1, 1}, {"2024-03-04 09:35", 1, 1, 1, 1, 1}};
    struct Case {
        const std::vector<Row>* bars;
        const char* timeframe;
        const char* dayStart;
        const char* message;  // empty: taken
    };
    const Case cases[] = {
        {&fiveMinutes, "2m", "00:00", "the bars are 5-minute; 2m is finer"},
        {&fiveMinutes, "7m", "00:00", "the bars are 5-minute; 7m is not a whole multiple of 5 minutes"},
        {&fiveMinutes, "15m", "00:00", ""},
        {&fiveMinutes, "15m", "09:32",
         "the bars are 5-minute; the 5-minute bar of 2024-03-04 09:30:00 runs past its 15m bucket's end at "
         "2024-03-04 09:32:00 (the buckets start with the day, at 09:32; --day-start moves it)"},
        {&halfHours, "1h", "09:15",
         "the bars are 30-minute; the 30-minute bar of 2024-03-04 09:00:00 runs past its 1h bucket's end at "
         "2024-03-04 09:15:00 (the buckets start with the day, at 09:15; --day-start moves it)"},
        {&halfHours, "1h", "09:30", ""},
        {&days, "4h", "00:00", "the bars are 1-day; 4h is finer"},
        {&days, "24h", "00:00", "the bars are 1-day; 24h is not a whole multiple of 1 day"},
        {&days, "1w", "17:00", ""},
        {&weeks, "1M", "00:00", "the bars are 1-week; 1M is not a whole multiple of 1 week"},
        {&weeks, "2w", "00:00", ""},
        {&sevenMinutes, "1d", "00:00", "the bars are 7-minute; 1d is not a whole multiple of 7 minutes"},
        {&irregular, "1m", "00:00", "the bars are irregular, at least 2 minutes apart; 1m is finer"},
        {&irregular, "5m", "00:00", ""},
    };
    for (const Case& c : cases) {
        std::string message;
        try {
            CheckTimeframeFits(BarsOf(*c.bars), Buckets(c.timeframe, c.dayStart));
        } catch (const TimeframeError& error) {
            message = error.what();
        }
        EXPECT_EQ(message, c.message) << c.timeframe << " from " << c.dayStart;
    }
}

// Seeded one-minute bars over five weeks: sessions with a random start and
// length, minutes missing at random, no bars at weekends; integer volumes.
BarColumns SeededMinuteBars(uint64_t seed) {
    kovra::host::SplitMix64 random(seed);
    BarColumns bars;
    const int64_t firstDay = kovra::host::DaysSince18991230({2024, 2, 12});  // a Monday
    float price = 1000;
    int64_t taken = 0;  // the minute after the last bar's, counted from 1899-12-30
    for (int64_t day = firstDay; day < firstDay + 35; ++day) {
        if ((day - firstDay) % 7 >= 5) continue;
        const int64_t open = day * 24 * 60 + static_cast<int64_t>(random.Next() % (24 * 60));
        const int64_t end = open + 60 + static_cast<int64_t>(random.Next() % 1200);
        for (int64_t minute = std::max(open, taken); minute < end; ++minute) {
            taken = minute + 1;
            if (random.Next() % 4 == 0) continue;
            const float step = static_cast<float>(static_cast<int64_t>(random.Next() % 9) - 4) * 0.25f;
            const float close = price + step;
            bars.Append(minute * kMinute, price, std::max(price, close) + 0.5f, std::min(price, close) - 0.25f, close,
                        static_cast<float>(random.Next() % 500));
            price = close;
        }
    }
    return bars;
}

TEST(Timeframe, BucketsOfBucketsAreTheBucketsOfTheSourceBars) {
    for (const uint64_t seed : {1u, 2u, 3u}) {
        const BarColumns minutes = SeededMinuteBars(seed);
        for (const char* dayStart : {"00:00", "09:30", "17:00"}) {
            const auto via = [&](const char* first, const char* second) {
                return RowsOf(
                    AggregateBars(AggregateBars(minutes, Buckets(first, dayStart)), Buckets(second, dayStart)));
            };
            const auto direct = [&](const char* timeframe) {
                return RowsOf(AggregateBars(minutes, Buckets(timeframe, dayStart)));
            };
            EXPECT_EQ(Text(via("5m", "15m")), Text(direct("15m"))) << seed << " " << dayStart;
            EXPECT_EQ(Text(via("1d", "1w")), Text(direct("1w"))) << seed << " " << dayStart;
            EXPECT_EQ(Text(via("1h", "1M")), Text(direct("1M"))) << seed << " " << dayStart;
        }
    }
}

// Bar by bar as real time brings them, in chunks of several sizes, against all at once.
TEST(Timeframe, BarsTakenOneAtATimeMakeTheSameBuckets) {
    const BarColumns minutes = SeededMinuteBars(7);
    for (const char* timeframe : {"1m", "5m", "4h", "1d", "1w"}) {
        const TimeframeBuckets buckets = Buckets(timeframe, "17:00");
        const BarColumns whole = AggregateBars(minutes, buckets);
        for (const int32_t chunk : {1, 2, 3, 5, 7, 13, minutes.size()}) {
            BarAggregator aggregator(buckets, kovra::host::SpacingOf(minutes.dateTimes));
            BarColumns first;
            for (int32_t i = 0; i < chunk; ++i) first.Append(minutes.At(i));
            BarColumns live = aggregator.Start(first);
            for (int32_t i = chunk; i < minutes.size(); ++i) {
                const Bar source = minutes.At(i);
                // A bar arrives as its open, then is revised to what it became.
                const Bar opening{source.dateTime, source.open, source.open, source.open, source.open, 0};
                if (aggregator.Add(opening) == BarAggregator::Step::kOpened) live.Append(aggregator.lastBucket());
                aggregator.ReviseLastSource(source);
                const Bar bucket = aggregator.lastBucket();
                live.dateTimes.back() = bucket.dateTime;
                live.open.back() = bucket.open, live.high.back() = bucket.high, live.low.back() = bucket.low;
                live.close.back() = bucket.close, live.volume.back() = bucket.volume;
            }
            EXPECT_EQ(Text(RowsOf(live)), Text(RowsOf(whole))) << timeframe << " in chunks of " << chunk;
            EXPECT_EQ(aggregator.sourceCount(), minutes.size());
        }
    }
}

}  // namespace
