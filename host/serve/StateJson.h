// The chart as the live page reads it, as JSON: bars, the thirteen level
// series, the placed drawings, the control bar, the inputs and subgraph
// colours in force, the frame and the replay. Every number comes from the
// study or the host; the page only maps bars and prices to pixels.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "host/render/TimeMarks.h"
#include "host/runtime/StudyInstance.h"

namespace kovra::host {

struct ReplayStatus {
    bool playing = false;
    double speed = 1;       // bars per second
    int32_t knownBars = 0;  // bars the replay can show (the file's, and any appended since)
    int32_t shownBars = 0;  // of them, those on the chart (in a timeframe, in its buckets)
};

// The page's name of the bars as the file has them, beside the timeframes' own.
inline constexpr std::string_view kAsInTheFile = "file", kAsInTheFileLabel = "as in the file";
// The timeframes the page offers, besides kAsInTheFile and the one in force.
inline constexpr std::string_view kOfferedTimeframes[] = {"1m", "5m", "15m", "30m", "1h", "2h", "4h", "1d", "1w", "1M"};

struct StateHeader {
    std::string instance;                 // names the running server: a page meeting another reloads everything
    uint64_t version = 0;                 // counts the changes the page has seen
    int32_t barsFrom = 0;                 // the bars start at this bar (0: all of them)
    int32_t seriesFrom = 0;               // the level series' values start at this bar
    bool withDrawings = true;             // false: the drawings are as last sent
    bool withLook = true;                 // false: the picture's look is left out (it never changes)
    std::string timeframe{kAsInTheFile};  // the chart's, as ParseTimeframe reads it
    ReplayStatus replay;
};

// The bars a page holds (GET state?bars=N&until=S): the `count` bars that
// start before second `untilSeconds` (unset: the last `count`) and every bar
// after them, so a page on a long chart is sent the bars near its view only.
// Unset `count`: every bar.
struct HeldBars {
    std::optional<int32_t> count;
    std::optional<int64_t> untilSeconds;  // as the state's "time": Unix seconds of the wall clock read as UTC
};

// The first bar a state for `held` starts at: the frame's window is held whatever it says.
int32_t FirstHeldBar(const StudyInstance& study, const HeldBars& held);

// The whole state (both froms 0), or an update: every part in full except
// the bars and the series' values, which start at their own first changed
// bar, the drawings, left out when unchanged, and the picture's look, sent
// with the whole state only. A series' values come as
// runs: value, count, value, count, ... (null: no value).
std::string FormatStateJson(const StudyInstance& study, const StateHeader& header);

// The time axis's marks as a list of {"bar", "text", "under"} ("" for no second line).
std::string FormatTimeMarksJson(const std::vector<TimeMark>& marks);

// Seconds from 1970-01-01 00:00:00 to a bar date-time, the wall clock read as UTC.
double UnixSecondsOf(int64_t microsecondsSince18991230);

}  // namespace kovra::host
