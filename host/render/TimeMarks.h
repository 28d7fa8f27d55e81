// Which bars the time axis marks and what each mark says. A pure function of
// the bars' date-times and the window, so every view of a chart (the picture,
// the page) reads the same marks.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace kovra::host {

// What a text on the time axis shows. Month names are English, three letters.
enum class TimeTextKind : uint8_t {
    kNone,        // no text
    kTimeOfDay,   // "9:30", or "9:30:15" when the steps are under a minute
    kDay,         // "Nov 13"
    kDayAndYear,  // "Mar 15 2024"
    kMonth,       // "Dec"
    kYear,        // "2007"
};

// A mark: a tick and grid line at `bar`, its text, and a second line under it.
struct TimeMark {
    int32_t bar;
    TimeTextKind kind;  // kTimeOfDay when the steps are under a day, else kDay, kMonth or kYear
    std::string text;
    // Under a time of day: the date at the first mark and wherever the day
    // changes (kDayAndYear at the first mark and wherever the year changes,
    // else kDay). Under the first date mark that is not a year: its year.
    TimeTextKind underKind;
    std::string under;  // empty for kNone
};

// How far apart a view of a chart keeps its time marks, in pixels.
inline constexpr double kMinTimeMarkPixels = 90;

// Marks the bars firstBar .. lastBar that exist in `dateTimes` (one per bar,
// ascending, microseconds since 1899-12-30) where a round step of time
// begins: 1, 5, 15 or 30 seconds, 1, 2, 5, 10, 15 or 30 minutes, 1, 2 or 4
// hours, 1 day, 1 week (from Monday), 1 or 3 months, 1, 5 or 10 years. The
// step is the shortest that is no shorter than the bars' typical (median)
// spacing and whose starts come at least `minPixels` apart at `pixelsPerBar`,
// counted in the bars the window has (the median bars from start to start).
// With a week step, month and year starts are marked too. Where two marks
// would come closer than `minPixels`, the one starting the longer period stays
// (a year before a month, a new day before a time of day, 10:00 before 10:30
// with a 30-minute step), else the earlier; chart bar 0, a start only for want
// of a bar before it, gives way to any other. A window's first bar is marked
// only when it starts a step. Date marks name the longest period they start:
// a year, a month, or else the day. Preconditions: pixelsPerBar > 0,
// minPixels > 0.
std::vector<TimeMark> ChooseTimeMarks(std::span<const int64_t> dateTimes, int32_t firstBar, int32_t lastBar,
                                      double pixelsPerBar, double minPixels);

}  // namespace kovra::host
