#include <fcntl.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <new>
#include <string>
#include <thread>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "host/bars/BarsCsv.h"
#include "host/bars/SplitMix64.h"
#include "host/outputs/SeriesCsv.h"
#include "host/text/NumberText.h"
#include "host/text/WallClock.h"

namespace kovra::host {
namespace {

constexpr DateOrder kMdy = DateOrder::kMonthFirst, kDmy = DateOrder::kDayFirst;

std::string ErrorOf(std::string_view text, const BarsLoadOptions& options = {}) {
    try {
        ParseBarsCsv(text, "bars.csv", options);
    } catch (const BarsLoadError& error) {
        return error.what();
    }
    return "(loaded)";
}

BarsLoadOptions Options(std::string timeZone, std::optional<DateOrder> order = std::nullopt) {
    BarsLoadOptions options;
    options.timeZone = std::move(timeZone);
    options.dateOrder = order;
    return options;
}

// One row per layout traders have: made here, a few lines each.
TEST(BarsCsv, LoadsTheLayoutsTradersHave) {
    struct Row {
        const char* layout;
        std::string text;
        BarsLoadOptions options;
        int32_t bars;
        const char* first;
        const char* last;
        float lastClose;
        bool reversed = false;
    };
    // A row per line, laid out by hand.
    // clang-format off
    const Row rows[] = {
        {"date only", "Date,Open,High,Low,Close\n2024-03-14,1,2,0.5,1.5\n2024-03-15,1,2,0.5,1.75\n", {}, 2,
         "2024-03-14 00:00:00", "2024-03-15 00:00:00", 1.75f},
        {"downloaded daily: Close, not Adj Close",
         "Date,Open,High,Low,Close,Adj Close,Volume\n2024-03-14,10,11,9,10.5,10.2,1000\n"
         "2024-03-15,10.5,11,10,10.75,10.4,1200\n", {}, 2, "2024-03-14 00:00:00", "2024-03-15 00:00:00", 10.75f},
        {"ISO 8601: T, nanoseconds, Z and offsets",
         "timestamp,open,high,low,close\n2024-03-15T13:30:00.123456789Z,1,2,0,1\n"
         "2024-03-15T09:31:00-04:00,1,2,0,1\n2024-03-15 14:32:00+0000,1,2,0,1.25\n", {}, 3,
         "2024-03-15 13:30:00.123456", "2024-03-15 14:32:00", 1.25f},
        {"wall clock as written, even with a time zone", "datetime,open,high,low,close\n2024-03-15 09:30,1,2,0,1\n",
         Options("America/New_York"), 1, "2024-03-15 09:30:00", "2024-03-15 09:30:00", 1.0f},
        {"epoch seconds, milliseconds, microseconds, nanoseconds",
         "time,open,high,low,close\n1710509400,1,2,0,1\n1710509460000,1,2,0,1\n1710509520000000,1,2,0,1\n"
         "1710509580000000000,1,2,0,1.5\n", {}, 4, "2024-03-15 13:30:00", "2024-03-15 13:33:00", 1.5f},
        {"instants in New York across the spring change",
         "unix,open,high,low,close\n1710050400,1,2,0,1\n1710054000,1,2,0,2\n", Options("America/New_York"), 2,
         "2024-03-10 01:00:00", "2024-03-10 03:00:00", 2.0f},
        {"the autumn change repeats an hour: instants keep their order, the wall clock steps back",
         "epoch,open,high,low,close\n1730613540,1,2,0,1\n1730613600,1,2,0,2\n", Options("America/New_York"), 2,
         "2024-11-03 01:59:00", "2024-11-03 01:00:00", 2.0f},
        {"offsets shown in another zone", "datetime,open,high,low,close\n2024-07-01T09:30:00+02:00,1,2,0,1\n",
         Options("Asia/Tokyo"), 1, "2024-07-01 16:30:00", "2024-07-01 16:30:00", 1.0f},
        {"bracketed compact", "<TICKER>,<PER>,<DATE>,<TIME>,<OPEN>,<HIGH>,<LOW>,<CLOSE>,<VOL>\n"
                              "ES,1,20240315,093000,1,2,0,1,5\nES,1,20240315,0931,1,2,0,1.5,5\n", {}, 2,
         "2024-03-15 09:30:00", "2024-03-15 09:31:00", 1.5f},
        {"<DTYYYYMMDD> with a compact date-time", "<DTYYYYMMDD> <OPEN> <HIGH> <LOW> <CLOSE>\n20240315 1 9 0 3\n", {},
         1, "2024-03-15 00:00:00", "2024-03-15 00:00:00", 3.0f},
        {"short names and Last", "date,time,o,h,l,last,v,oi\n2024-03-15,9:30,1,2,0,1.5,,7\n", {}, 1,
         "2024-03-15 09:30:00", "2024-03-15 09:30:00", 1.5f},
        {"Close wins over Last", "date,last,open,high,low,close\n2024-03-15,9,1,2,0,1.5\n", {}, 1,
         "2024-03-15 00:00:00", "2024-03-15 00:00:00", 1.5f},
        {"semicolons and decimal commas", "Date;Time;Open;High;Low;Close;Volume\n15.03.2024;09:30;4512,25;4513,5;"
                                          "4511;4512,75;1,5\n", {}, 1,
         "2024-03-15 09:30:00", "2024-03-15 09:30:00", 4512.75f},
        {"tabs and decimal commas with grouped thousands", "Date\tOpen\tHigh\tLow\tClose\n2024-03-15\t1.234,5\t1.240\t"
                                                           "1.230,25\t1.235,75\n", {}, 1,
         "2024-03-15 00:00:00", "2024-03-15 00:00:00", 1235.75f},
        {"runs of spaces", "  date    time   open  high  low   close\n 2024-03-15  09:30  1  2  0  1.25 \n", {}, 1,
         "2024-03-15 09:30:00", "2024-03-15 09:30:00", 1.25f},
        {"RFC 4180 quoting and thousands", "\"Date\",\"Open\",\"High\",\"Low\",\"Close\",\"Note \"\"x\"\"\"\n"
                                           "\"2024-03-15\",\"4,512.25\",\"4,513.5\",4511,\"4,512.75\",\"a,\"\"b\"\"\"\n",
         {}, 1, "2024-03-15 00:00:00", "2024-03-15 00:00:00", 4512.75f},
        {"a quoted cell over a line end", "date,open,high,low,close,note\n2024-03-14,1,2,0,1,\"two\nlines\"\n"
                                          "2024-03-15,1,2,0,2,x\n", {}, 2,
         "2024-03-14 00:00:00", "2024-03-15 00:00:00", 2.0f},
        {"byte-order mark, comments, CRLF and blank lines", "\xEF\xBB\xBF# exported\r\n\r\n# by hand\r\ndatetime,open,"
                                                            "high,low,close\r\n\r\n2024-03-15 09:30,1,2,0,1\r\n,,,,\r\n"
                                                            "\r\n2024-03-15 09:31,1,9,0,3\r\n\r\n", {}, 2,
         "2024-03-15 09:30:00", "2024-03-15 09:31:00", 3.0f},
        {"lone CR line ends", "date,open,high,low,close\r2024-03-14,1,2,0,1\r2024-03-15,1,9,0,4\r", {}, 2,
         "2024-03-14 00:00:00", "2024-03-15 00:00:00", 4.0f},
        {"newest first, ties kept in file order",
         "datetime,open,high,low,close\n2024-03-15 09:31,1,9,0,5\n2024-03-15 09:30,1,9,0,6\n2024-03-15 09:30,1,9,0,7\n",
         {}, 3, "2024-03-15 09:30:00", "2024-03-15 09:31:00", 5.0f, true},
        {"ties in an ascending file", "datetime,open,high,low,close\n2024-03-15 09:30,1,9,0,6\n2024-03-15 09:30,1,9,0,7\n",
         {}, 2, "2024-03-15 09:30:00", "2024-03-15 09:30:00", 7.0f},
        {"YYYY/MM/DD", "Date,Open,High,Low,Close\n2024/3/5,1,2,0,1\n", {}, 1, "2024-03-05 00:00:00",
         "2024-03-05 00:00:00", 1.0f},
        {"MM/DD/YYYY told by a day above 12, 12-hour times",
         "Date,Time,Open,High,Low,Close\n03/04/2024,12:00 AM,1,2,0,1\n03/15/2024,12:30 PM,1,2,0,1\n"
         "03/15/2024,01:15:30 pm,1,2,0,2\n", {}, 3, "2024-03-04 00:00:00", "2024-03-15 13:15:30", 2.0f},
        {"DD/MM/YYYY told by a day above 12", "Date,Open,High,Low,Close\n04/03/2024 9:30 AM,1,2,0,1\n"
                                              "15/03/2024 09:30,1,2,0,2\n", {}, 2,
         "2024-03-04 09:30:00", "2024-03-15 09:30:00", 2.0f},
        {"--date-order dmy", "Date,Open,High,Low,Close\n04/03/2024,1,2,0,1\n", Options("", kDmy), 1,
         "2024-03-04 00:00:00", "2024-03-04 00:00:00", 1.0f},
        {"--date-order mdy", "Date,Open,High,Low,Close\n04/03/2024,1,2,0,1\n", Options("", kMdy), 1,
         "2024-04-03 00:00:00", "2024-04-03 00:00:00", 1.0f},
        {"a decimal comma told by a later number: earlier ones read again", "datetime;open;high;low;close\n"
                                                                            "2024-03-11;1.200;1.201,00;1.195,25;1.200\n",
         {}, 1, "2024-03-11 00:00:00", "2024-03-11 00:00:00", 1200.0f},
        {"grouped points in a decimal-comma file", "datetime;open;high;low;close\n2024-03-11;1.198,50;1.201,00;"
                                                   "1.195,25;1.200\n", {}, 1,
         "2024-03-11 00:00:00", "2024-03-11 00:00:00", 1200.0f},
        {"lone commas read as decimal marks when no number tells", "Date;Open;High;Low;Close\n2024-03-15;1,085;1,090;"
                                                                   "1,080;1,087\n", {}, 1,
         "2024-03-15 00:00:00", "2024-03-15 00:00:00", 1.087f},
        {"grouped commas in a semicolon file", "Date;Open;High;Low;Close\n2024-03-15;1,234.5;1,240;1,230;1,235\n", {},
         1, "2024-03-15 00:00:00", "2024-03-15 00:00:00", 1235.0f},
        {"a CRLF header, then lone CR rows", "date,open,high,low,close\r\n2024-03-14,1,2,0,1\r2024-03-15,1,9,0,4\r\n",
         {}, 2, "2024-03-14 00:00:00", "2024-03-15 00:00:00", 4.0f},
        {"digits past the microsecond dropped, however many", "datetime,open,high,low,close\n"
                                                              "2024-03-15T13:30:00.1234567890123456789012Z,1,2,0,1\n"
                                                              "1710509460.98765432101,1,2,0,1.5\n", {}, 2,
         "2024-03-15 13:30:00.123456", "2024-03-15 13:31:00.987654", 1.5f},
        {"volume empty, null, NaN or fractional", "date,open,high,low,close,volume\n2024-03-11,1,2,0,1,\n"
                                                  "2024-03-12,1,2,0,1,null\n2024-03-13,1,2,0,1,NaN\n"
                                                  "2024-03-14,1,2,0,1,0.5\n", {}, 4,
         "2024-03-11 00:00:00", "2024-03-14 00:00:00", 1.0f},
    };
    // clang-format on
    for (const Row& row : rows) {
        SCOPED_TRACE(row.layout);
        try {
            const LoadedBars loaded = ParseBarsCsv(row.text, "bars.csv", row.options);
            ASSERT_EQ(loaded.bars.size(), row.bars);
            EXPECT_EQ(FormatDateTime(loaded.bars.dateTimes.front()), row.first);
            EXPECT_EQ(FormatDateTime(loaded.bars.dateTimes.back()), row.last);
            EXPECT_EQ(loaded.bars.close.back(), row.lastClose);
            EXPECT_EQ(loaded.reversed, row.reversed);
        } catch (const BarsLoadError& error) {
            ADD_FAILURE() << error.what();
        }
    }
}

// Every refusal is one line: file, line, column, what was found, what would do.
TEST(BarsCsv, RefusalsNameFileLineColumnAndTheWayOut) {
    struct Row {
        std::string text;
        std::string error;  // the whole message, or a part of it when `part`
        bool part = false;
        BarsLoadOptions options = {};
    };
    const std::string h = "datetime,open,high,low,close\n";
    const std::string ok = "2024-03-15 09:30:00,1,2,0.5,1.5\n";
    // A row per line, laid out by hand.
    // clang-format off
    const Row rows[] = {
        {"", "bars.csv:1:1: the file holds no header row; expected one naming the columns, such as "
             "Date,Time,Open,High,Low,Close,Volume"},
        {"\xEF\xBB\xBF\r\n # only a comment\n", "bars.csv:2:1: the file holds no header row", true},
        {h, "bars.csv:1:1: no bars after the header row"},
        {"\xFF\xFE" "d\0a\0" "t\0e\0", "bars.csv:1:1: the file is UTF-16 or binary, not text; save it as UTF-8 (or "
                                       "plain ASCII) text"},
        {std::string("d\0a\0t\0e\0\n\0", 10), "UTF-16", true},
        {"open,high,low,close\n1,2,0,1\n",
         "bars.csv:1:1: the header row names no date or date-time column (expected a name such as Date, Time, "
         "DateTime, Timestamp, <DATE> or <DTYYYYMMDD>); columns found: \"open\", \"high\", \"low\", \"close\""},
        {"2024-03-15 09:30:00,1,2,0.5,1.5\n", "bars.csv:1:1: the first row holds data, not column names; add a header "
                                              "row such as Date,Time,Open,High,Low,Close,Volume"},
        {"Date,Open,High,Low,Adj Close\n", "bars.csv:1:1: the header row names no \"Close\" (or \"C\" or \"Last\"; "
                                           "\"Adj Close\" is not read as the close) column; columns found: \"Date\", "
                                           "\"Open\", \"High\", \"Low\", \"Adj Close\""},
        {"timestamp,date,time,open,high,low,close\n", "bars.csv:1:1: the header row names a date-time column and also "
                                                      "separate date or time columns; keep one of the two forms", true},
        {"datetime,open,high,low,close,Open\n", "bars.csv:1:6: column \"Open\" appears twice (as \"open\" before)"},
        {h + "2024-03-15 09:30:00,1,2,0.5\n", "bars.csv:2:5: missing field (column \"close\")"},
        {h + "2024-03-15 09:30:00,1,2,0.5,1.5,7\n", "bars.csv:2:6: 6 fields where the header row names 5"},
        {h + ok + "2024-03-15 09:31:00,1,abc,0.5,1.5\n", "bars.csv:3:3: 'abc' is not a number (column \"high\")"},
        {h + "\n" + ok + "\n" + "2024-03-15 09:31:00,1,2,,1.5\n", "bars.csv:5:4: missing value (column \"low\")"},
        {h + "2024-03-15 09:30:00,nan,2,0.5,1.5\n", "bars.csv:2:2: 'nan' is not a finite number (column \"open\")"},
        {h + "2024-03-15 09:30:00,1,2,-INF,1.5\n", "bars.csv:2:4: '-INF' is not a finite number (column \"low\")"},
        {h + "2024-03-15 09:30:00,1,2,0.5,1e39\n",
         "bars.csv:2:5: '1e39' is out of range for a 32-bit float (column \"close\")"},
        {h + "2024-03-15 09:30:00,1e400,2,0.5,1\n",
         "bars.csv:2:2: '1e400' is out of range for a 32-bit float (column \"open\")"},
        {h + "2024-03-15 09:30:00,0x10,2,0.5,1\n", "bars.csv:2:2: '0x10' is not a number (column \"open\")"},
        {h + "2024-03-15 09:30:00,+1,2,0.5,1\n", "bars.csv:2:2: '+1' is not a number (column \"open\")"},
        {h + "2024-03-15 09:30:00,\"4512,25\",2,0.5,1\n", "bars.csv:2:2: '4512,25' is not a number (column \"open\")"},
        {h + "2024-03-15 09:30:00,1,2,0.5,a\x01\x7F" "b\n",
         "bars.csv:2:5: 'a\\x01\\x7Fb' is not a number (column \"close\")"},
        {h + "2024-03-15 09:30:00,1,2,0.5," + std::string(60, 'z') + "\n",
         "bars.csv:2:5: '" + std::string(40, 'z') + "...' is not a number (column \"close\")"},
        {"date,open,high,low,close,volume\n2024-03-15,1,2,0,1,lots\n",
         "bars.csv:2:6: 'lots' is not a number (or empty) (column \"volume\")"},
        {h + "2024-02-30 09:30:00,1,2,0.5,1\n", "bars.csv:2:1: '2024-02-30 09:30:00' is not a date-time: "
                                                "day 30 is out of range for 2024-02 (column \"datetime\")"},
        {h + "2024-13-01 09:30,1,2,0.5,1\n",
         "bars.csv:2:1: '2024-13-01 09:30' is not a date-time: month 13 is out of range (column \"datetime\")"},
        {h + "2024-03-15 24:00,1,2,0.5,1\n",
         "bars.csv:2:1: '2024-03-15 24:00' is not a date-time: hour 24 is out of range (column \"datetime\")"},
        {h + "2024-03-15 09:30:60,1,2,0.5,1\n",
         "bars.csv:2:1: '2024-03-15 09:30:60' is not a date-time: second 60 is out of range (column \"datetime\")"},
        {h + "2024-03-15 13:30 PM,1,2,0.5,1\n", "hour 13 is out of range for a 12-hour time", true},
        {h + "2024-03-15 09:30+25:00,1,2,0.5,1\n", "UTC offset 25:00 is out of range", true},
        {h + "15-Mar-2024,1,2,0.5,1\n", "bars.csv:2:1: '15-Mar-2024' is not a date-time: expected a date-time such "
                                        "as 2024-03-15 09:30:00, 2024-03-15T09:30:00Z, 03/15/2024 9:30 PM or an epoch "
                                        "number (column \"datetime\")"},
        {"Date;Time;Open;High;Low;Close\n2024-03-15;25:00;1;2;0;1\n",
         "bars.csv:2:2: '25:00' is not a time of day: hour 25 is out of range (column \"Time\")"},
        {"Date;Time;Open;High;Low;Close\n2024-03-15 09:30;09:30;1;2;0;1\n",
         "bars.csv:2:1: '2024-03-15 09:30' is not a date: expected a date such as 2024-03-15, 20240315, 2024/03/15, "
         "03/15/2024 or 15.03.2024 (column \"Date\")"},
        {h + ok + "2024-03-15 09:31:00,1,2,0.5,1\n2024-03-15 09:29:00,1,2,0.5,1\n",
         "bars.csv:4:1: time goes backwards: 2024-03-15 09:29:00 is before the previous bar's 2024-03-15 09:31:00; the "
         "date-times must only ascend (oldest first) or only descend (newest first) (column \"datetime\")"},
        {h + ok + "2024-03-15 09:29:00,1,2,0.5,1\n2024-03-15 09:31:00,1,2,0.5,1\n",
         "bars.csv:4:1: time goes forwards: 2024-03-15 09:31:00 is after the previous bar's", true},
        {"Date,Open,High,Low,Close\n03/04/2024,1,2,0,1\n03/05/2024,1,2,0,1\n",
         "bars.csv:2:1: the dates could be MM/DD/YYYY or DD/MM/YYYY (no day in the file is above 12); give "
         "--date-order mdy or --date-order dmy"},
        {"Date,Open,High,Low,Close\n03/15/2024,1,2,0,1\n16/03/2024,1,2,0,1\n",
         "bars.csv:3:1: '16/03/2024' has the day first, but an earlier date has the month first; the dates must keep "
         "one order (column \"Date\")"},
        {h + "2024-03-11T09:30:00Z,1,2,0,1\n2024-03-11 09:31:00,1,2,0,1\n",
         "bars.csv:3:1: '2024-03-11 09:31:00' is a wall-clock time, but the first bar's '2024-03-11T09:30:00Z' (line 2) "
         "is an instant; a column holds instants (Z, a UTC offset or an epoch number) or wall-clock times, not both "
         "(column \"datetime\")", false, Options("America/New_York")},
        {h + "2024-03-11 09:30:00,1,2,0,1\n1710163860,1,2,0,1\n",
         "bars.csv:3:1: '1710163860' is an instant, but the first bar's '2024-03-11 09:30:00' (line 2) is a wall-clock "
         "time", true},
        {"Date;Time;Open;High;Low;Close\n2024-03-11;09:30;1;2;0;1\n2024-03-11;09:31+01:00;1;2;0;1\n",
         "bars.csv:3:2: '09:31+01:00' is an instant, but the first bar's '09:30' (line 2)", true},
        {"datetime;open;high;low;close\n2024-03-11;1.198,50;1.201,00;1.195,25;1.200\n"
         "2024-03-12;1198.5;1201;1195.25;1200.25\n",
         "bars.csv:3:2: '1198.5' has a decimal point, but '1.198,50' (line 2) has a decimal comma; the numbers of a file "
         "keep one decimal mark (column \"open\")"},
        {"datetime\topen\thigh\tlow\tclose\n2024-03-11\t1,234,567\t2,000,000\t1\t1,5\n",
         "bars.csv:2:5: '1,5' has a decimal comma, but '1,234,567' (line 2) has a decimal point", true},
        {h + ok + "2024-03-15 09:31:00,100,101,99,50\n",
         "bars.csv:3:5: the close 50 lies outside the bar's low 99 and high 101 (column \"close\")"},
        {h + "2024-03-15 09:30:00,101.5,101.25,99,100\n",
         "bars.csv:2:2: the open 101.5 lies outside the bar's low 99 and high 101.25 (column \"open\")"},
        {h + "2024-03-15 09:30:00,10,8,9,9\n", "bars.csv:2:3: the high 8 is below the low 9 (column \"high\")"},
        {"Date,Open,High,Low,Close\n15/03/2024,1,2,0,1\n", "bars.csv:2:1: '15/03/2024' is not a date-time: month 15 is "
                                                           "out of range (read as MM/DD/YYYY, as --date-order mdy "
                                                           "says) (column \"Date\")",
         false, Options("", kMdy)},
    };
    // clang-format on
    for (const Row& row : rows) {
        const std::string error = ErrorOf(row.text, row.options);
        if (row.part)
            EXPECT_THAT(error, testing::HasSubstr(row.error)) << "input:\n" << row.text;
        else
            EXPECT_EQ(error, row.error) << "input:\n" << row.text;
        EXPECT_EQ(error.find('\n'), std::string::npos);
    }
}

TEST(BarsCsv, AnUnknownTimeZoneIsRefusedByName) {
    EXPECT_THAT([] { ParseBarsCsv("date,open,high,low,close\n2024-03-15,1,2,0,1\n", "b", Options("Mars/Olympus")); },
                testing::ThrowsMessage<UnknownTimeZone>(testing::HasSubstr("unknown time zone 'Mars/Olympus'")));
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

// The loader's quick path for plain decimals against the standard library's
// correctly rounded conversion, on seeded random digits of every length.
TEST(BarsCsv, PlainDecimalsReadBitForBitAsTheStandardConversion) {
    SplitMix64 random(20261208);
    for (int trial = 0; trial < 200000; ++trial) {
        const int digits = 1 + static_cast<int>(random.Next() % 17);
        std::string text = random.Next() % 4 == 0 ? "-" : "";
        for (int i = 0; i < digits; ++i) text += static_cast<char>('0' + random.Next() % 10);
        if (digits > 1 && random.Next() % 4 != 0) text.insert(text.size() - 1 - random.Next() % (digits - 1), ".");
        double expected = 0;
        std::from_chars(text.data(), text.data() + text.size(), expected);
        const ParsedNumber parsed = ParseNumber(text, NumberMarks::kPointDecimal);
        ASSERT_TRUE(parsed.ok) << text;
        ASSERT_EQ(std::signbit(parsed.value), std::signbit(expected)) << text;
        ASSERT_EQ(parsed.value, expected) << text;
    }
}

TEST(BarsCsv, PriceDecimalsAreTheMostAnyPriceWrites) {
    struct Row {
        const char* price;
        int32_t decimals;
    };
    const Row rows[] = {{"4512", 0},           {"4512.25", 2},      {"4512.250", 3},       {"1.5e-3", 4},
                        {"45.1e1", 0},         {"1.5E+1", 0},       {"1.234567890123", 9}, {"1e-12", 9},
                        {"0e-99999999999", 9}, {"\"4,512.125\"", 3}};
    for (const Row& row : rows) {
        const std::string text =
            std::string("datetime,open,high,low,close,volume\n2024-03-15 09:30,0,5000,0,") + row.price + ",1.12345\n";
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
    EXPECT_THAT(
        [] { LoadBarsCsv("/dev/zero"); },
        testing::ThrowsMessage<BarsLoadError>(testing::HasSubstr("/dev/zero:1:1: the file is UTF-16 or binary")));
}

// A file shortened while it loads (here by the progress report, which comes
// every 65,536 bars) is refused with a message instead of ending the program
// with SIGBUS, also on a thread of its own as in a scan; a binary file is
// refused from its first bytes, the rest of it never read.
TEST(BarsCsv, AFileShortenedWhileItLoadsIsRefusedAndABinaryOneIsNotReadWhole) {
    const std::string path = testing::TempDir() + "/bars-shortened-test.csv";
    {
        std::ofstream file(path, std::ios::binary);
        file << "datetime,open,high,low,close\n";
        for (int bar = 0; bar < 200000; ++bar) file << 1710509400 + bar * 60 << ",1,2,0,1\n";
    }
    BarsLoadOptions options;
    options.progress = [&path](size_t, size_t) { ASSERT_EQ(truncate(path.c_str(), 100), 0); };
    std::string error;
    std::thread([&] {
        try {
            LoadBarsCsv(path, options);
        } catch (const BarsLoadError& refused) {
            error = refused.what();
        }
    }).join();
    EXPECT_EQ(error, path +
                         ": the bar file got shorter while it was read; replace a bar file by writing a new one and "
                         "renaming it over the old");

    // A sparse file of 64 MiB of NUL bytes: loading it must leave its pages past the first unread.
    constexpr size_t kSparseBytes = size_t{64} << 20;
    ASSERT_EQ(truncate(path.c_str(), 0), 0);
    ASSERT_EQ(truncate(path.c_str(), kSparseBytes), 0);
    EXPECT_THAT([&] { LoadBarsCsv(path); }, testing::ThrowsMessage<BarsLoadError>(
                                                path + ":1:1: the file is UTF-16 or binary, not text; save it as UTF-8 "
                                                       "(or plain ASCII) text"));
    const int descriptor = open(path.c_str(), O_RDONLY);
    void* mapped = mmap(nullptr, kSparseBytes, PROT_READ, MAP_SHARED, descriptor, 0);
    ASSERT_NE(mapped, MAP_FAILED);
    std::vector<unsigned char> resident(kSparseBytes / 4096);
    ASSERT_EQ(mincore(mapped, kSparseBytes, resident.data()), 0);
    EXPECT_LE(std::count_if(resident.begin(), resident.end(), [](unsigned char page) { return page & 1; }), 4);
    munmap(mapped, kSparseBytes);
    close(descriptor);
    std::remove(path.c_str());
}

// Loads `path` with room for 16 MiB more address space only; exits 0 when
// that runs out as std::bad_alloc (kovra's "out of memory", exit 1).
[[noreturn]] void LoadWithLittleRoom(const std::string& path) {
    long pages = 0;
    std::ifstream("/proc/self/statm") >> pages;
    const rlimit limit{static_cast<rlim_t>(pages) * 4096 + (16 << 20), RLIM_INFINITY};
    setrlimit(RLIMIT_AS, &limit);
    try {
        LoadBarsCsv(path);
    } catch (const std::bad_alloc&) {
        std::_Exit(0);
    } catch (...) {
    }
    std::_Exit(1);
}

// Memory that runs out while the file is mapped is that, not a bad bar file.
TEST(BarsCsv, RunningOutOfMemoryWhileMappingTheFileIsOutOfMemory) {
    const std::string path = testing::TempDir() + "/bars-out-of-memory-test.csv";
    std::ofstream(path) << "datetime,open,high,low,close\n" << std::string(size_t{64} << 20, '\n');
    EXPECT_EXIT(LoadWithLittleRoom(path), testing::ExitedWithCode(0), "");
    std::remove(path.c_str());
}

// Seeded mutations of a valid file (bytes replaced, inserted, removed): every
// result is either bars or a BarsLoadError, never another failure (the sanitizer
// build also checks for undefined behaviour here).
TEST(BarsCsv, MutatedFilesLoadOrFailCleanly) {
    const std::string valid = std::string("\xEF\xBB\xBF") + "date;time;open;high;low;close;volume\r\n" +
                              "2024-02-29;09:30:00.5;4512.25;4513.5;4511;4512.75;120\r\n" +
                              "29/02/2024;9:31 PM;\"4,512.75\";4514;4512.5;4513.25;1e3\r\n" +
                              "2024-03-01;2132;4512.75;4514;4512.5;4513.25;\r\n";
    const char interesting[] = {',', ';', '\n', '\r', '.', '-', ':', 'e', 'T', ' ', '9', '0', '\0', '\xEF', '"', '/'};
    SplitMix64 random(2188);
    int64_t loaded = 0;
    for (int trial = 0; trial < 20000; ++trial) {
        std::string text = valid;
        const auto edits = 1 + random.Next() % 4;
        for (uint64_t edit = 0; edit < edits && !text.empty(); ++edit) {
            const size_t at = random.Next() % text.size();
            const char byte =
                random.Next() % 2 ? interesting[random.Next() % sizeof interesting] : static_cast<char>(random.Next());
            switch (random.Next() % 3) {
                case 0:
                    text[at] = byte;
                    break;
                case 1:
                    text.insert(at, 1, byte);
                    break;
                default:
                    text.erase(at, 1 + random.Next() % 8);
                    break;
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
