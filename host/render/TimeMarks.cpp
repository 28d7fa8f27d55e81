// The time axis's marks: a step chosen from the bars' spacing, the bars that
// start a step, crowded marks thinned by the period they start, then texts.
#include "host/render/TimeMarks.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <iterator>
#include <limits>
#include <set>

#include "host/text/DateTimes.h"

namespace kovra::host {

namespace {

using record::FloorDivide;

constexpr int64_t kSecond = kMicrosecondsPerSecond, kMinute = 60 * kSecond, kHour = 60 * kMinute;
constexpr int64_t kDay = kMicrosecondsPerDay;
constexpr int64_t kAverageYear = 31'556'952 * kSecond;  // 365.2425 days, the Gregorian average
// 1900-01-01, day 2 of the count, was a Monday.
constexpr int64_t kFirstMonday = 2;

// What a step counts, shortest first; kClock is every step under a day.
enum class Period : uint8_t { kClock, kDay, kWeek, kMonth, kQuarter, kYear, kFiveYears, kTenYears };

struct Step {
    Period period;
    int64_t average;  // microseconds: the step itself for kClock, else its average length
    int64_t longest;  // microseconds
};

constexpr Step Clock(int64_t length) { return {Period::kClock, length, length}; }

constexpr Step kSteps[] = {
    Clock(kSecond),
    Clock(5 * kSecond),
    Clock(15 * kSecond),
    Clock(30 * kSecond),
    Clock(kMinute),
    Clock(2 * kMinute),
    Clock(5 * kMinute),
    Clock(10 * kMinute),
    Clock(15 * kMinute),
    Clock(30 * kMinute),
    Clock(kHour),
    Clock(2 * kHour),
    Clock(4 * kHour),
    {Period::kDay, kDay, kDay},
    {Period::kWeek, 7 * kDay, 7 * kDay},
    {Period::kMonth, kAverageYear / 12, 31 * kDay},
    {Period::kQuarter, kAverageYear / 4, 92 * kDay},
    {Period::kYear, kAverageYear, 366 * kDay},
    {Period::kFiveYears, 5 * kAverageYear, 1827 * kDay},
    {Period::kTenYears, 10 * kAverageYear, 3653 * kDay},
};
constexpr size_t kStepCount = std::size(kSteps);

constexpr std::array<const char*, 12> kMonthNames = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                     "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

struct Moment {
    int64_t dateTime;
    CivilDateTime civil;
};

Moment MomentOf(std::span<const int64_t> dateTimes, int32_t bar) {
    const int64_t dateTime = dateTimes[static_cast<size_t>(bar)];
    return {dateTime, CivilFromMicroseconds(dateTime)};
}

// Which of the step's periods a moment falls in, counted from a fixed origin.
int64_t PeriodIndex(const Step& step, const Moment& moment) {
    const CivilDate& date = moment.civil.date;
    switch (step.period) {
        case Period::kClock:
            return FloorDivide(moment.dateTime, step.average);
        case Period::kDay:
            return FloorDivide(moment.dateTime, kDay);
        case Period::kWeek:
            return FloorDivide(FloorDivide(moment.dateTime, kDay) - kFirstMonday, 7);
        case Period::kMonth:
            return date.year * 12 + date.month - 1;
        case Period::kQuarter:
            return date.year * 4 + (date.month - 1) / 3;
        case Period::kYear:
            return date.year;
        case Period::kFiveYears:
            return FloorDivide(date.year, 5);
        case Period::kTenYears:
            return FloorDivide(date.year, 10);
    }
    return 0;
}

bool Starts(const Step& step, const Moment& before, const Moment& at) {
    return PeriodIndex(step, before) != PeriodIndex(step, at);
}

// Whether a longer step's starts count as marks beside the chosen step's: a
// clock step's only where they are the chosen one's too (10:30 for 10 minutes,
// not 10:15); a day or longer always (a month's first day for a week).
bool Counts(const Step& longer, const Step& chosen) {
    return longer.period != Period::kClock || longer.average % chosen.average == 0;
}

// The index of the longest counting step from kSteps[chosen] on that begins
// between two moments; -1 for none.
int32_t LongestStart(size_t chosen, const Moment& before, const Moment& at) {
    for (size_t i = kStepCount; i-- > chosen;) {
        if (Counts(kSteps[i], kSteps[chosen]) && Starts(kSteps[i], before, at)) return static_cast<int32_t>(i);
    }
    return -1;
}

double Median(std::vector<int64_t>& values) {
    const auto middle = values.begin() + static_cast<std::ptrdiff_t>(values.size() / 2);
    std::nth_element(values.begin(), middle, values.end());
    return static_cast<double>(*middle);
}

// The median time from one bar to the next, so overnight gaps do not count;
// a minute when there is only one bar.
double TypicalBarTime(std::span<const int64_t> dateTimes, int32_t first, int32_t last) {
    std::vector<int64_t> gaps;
    for (int32_t bar = first + 1; bar <= last; ++bar) {
        gaps.push_back(dateTimes[static_cast<size_t>(bar)] - dateTimes[static_cast<size_t>(bar) - 1]);
    }
    return gaps.empty() ? static_cast<double>(kMinute) : Median(gaps);
}

// The median count of bars from one start of the step to the next in the
// window; infinite when the window holds fewer than two starts.
double TypicalBarsPerStep(std::span<const int64_t> dateTimes, int32_t first, int32_t last, const Step& step) {
    std::vector<int64_t> gaps;
    int32_t previousStart = -1;
    Moment before = MomentOf(dateTimes, first);
    for (int32_t bar = first + 1; bar <= last; ++bar) {
        const Moment at = MomentOf(dateTimes, bar);
        if (Starts(step, before, at)) {
            if (previousStart >= 0) gaps.push_back(bar - previousStart);
            previousStart = bar;
        }
        before = at;
    }
    return gaps.empty() ? std::numeric_limits<double>::infinity() : Median(gaps);
}

size_t ChooseStep(std::span<const int64_t> dateTimes, int32_t first, int32_t last, double pixelsPerBar,
                  double minPixels) {
    const double barTime = std::max(TypicalBarTime(dateTimes, first, last), 1.0);
    for (size_t i = 0; i < kStepCount; ++i) {
        const Step& step = kSteps[i];
        // Shorter than the bars: every bar would start one.
        if (static_cast<double>(step.longest) < barTime) continue;
        // Too close even where no bar is missing (a cheap test before the count below).
        if (static_cast<double>(step.average) / barTime * pixelsPerBar < minPixels) continue;
        // Too close with the bars the window has (sessions, weekends).
        if (TypicalBarsPerStep(dateTimes, first, last, step) * pixelsPerBar < minPixels) continue;
        return i;
    }
    return kStepCount - 1;
}

struct Candidate {
    int32_t bar;
    int32_t rank;      // the index in kSteps of the longest step it starts
    int32_t priority;  // its rank; lowest for chart bar 0, which starts a step only for want of a bar before it
};

// The bars that start the chosen step or a longer one; chart bar 0 counts as starting the chosen step.
std::vector<Candidate> FindCandidates(std::span<const int64_t> dateTimes, int32_t first, int32_t last, size_t step) {
    std::vector<Candidate> candidates;
    if (first == 0) candidates.push_back({0, static_cast<int32_t>(step), -1});
    if (last < 1) return candidates;
    Moment before = MomentOf(dateTimes, std::max(first, 1) - 1);
    for (int32_t bar = std::max(first, 1); bar <= last; ++bar) {
        const Moment at = MomentOf(dateTimes, bar);
        const int32_t rank = LongestStart(step, before, at);
        if (rank >= 0) candidates.push_back({bar, rank, rank});
        before = at;
    }
    return candidates;
}

// Keeps marks at least minPixels apart: higher priorities first, then from the left.
std::vector<Candidate> Thin(const std::vector<Candidate>& candidates, double pixelsPerBar, double minPixels) {
    std::vector<Candidate> byRank = candidates;
    std::stable_sort(byRank.begin(), byRank.end(),
                     [](const Candidate& a, const Candidate& b) { return a.priority > b.priority; });
    std::set<int32_t> kept;
    for (const Candidate& candidate : byRank) {
        const auto next = kept.lower_bound(candidate.bar);
        if (next != kept.end() && (*next - candidate.bar) * pixelsPerBar < minPixels) continue;
        if (next != kept.begin() && (candidate.bar - *std::prev(next)) * pixelsPerBar < minPixels) continue;
        kept.insert(next, candidate.bar);
    }
    std::vector<Candidate> thinned;
    for (const Candidate& candidate : candidates) {
        if (kept.count(candidate.bar) != 0) thinned.push_back(candidate);
    }
    return thinned;
}

std::string TimeOfDayText(const CivilDateTime& time, bool withSeconds) {
    char text[32];
    if (withSeconds) {
        std::snprintf(text, sizeof text, "%d:%02d:%02d", time.hour, time.minute, time.second);
    } else {
        std::snprintf(text, sizeof text, "%d:%02d", time.hour, time.minute);
    }
    return text;
}

std::string DateText(TimeTextKind kind, const CivilDate& date) {
    const std::string month = kMonthNames[static_cast<size_t>(date.month - 1)];
    switch (kind) {
        case TimeTextKind::kDay:
            return month + " " + std::to_string(date.day);
        case TimeTextKind::kDayAndYear:
            return month + " " + std::to_string(date.day) + " " + std::to_string(date.year);
        case TimeTextKind::kMonth:
            return month;
        case TimeTextKind::kYear:
            return std::to_string(date.year);
        case TimeTextKind::kNone:
        case TimeTextKind::kTimeOfDay:
            break;
    }
    return {};
}

TimeTextKind DateKindOf(const Step& longestStarted) {
    if (longestStarted.period >= Period::kYear) return TimeTextKind::kYear;
    if (longestStarted.period >= Period::kMonth) return TimeTextKind::kMonth;
    return TimeTextKind::kDay;
}

}  // namespace

std::vector<TimeMark> ChooseTimeMarks(std::span<const int64_t> dateTimes, int32_t firstBar, int32_t lastBar,
                                      double pixelsPerBar, double minPixels) {
    const int32_t first = std::max(firstBar, 0);
    const int32_t last = std::min<int64_t>(lastBar, static_cast<int64_t>(dateTimes.size()) - 1);
    if (first > last) return {};
    const size_t step = ChooseStep(dateTimes, first, last, pixelsPerBar, minPixels);
    const bool clock = kSteps[step].period == Period::kClock;
    std::vector<TimeMark> marks;
    CivilDate previous{};
    for (const Candidate& candidate : Thin(FindCandidates(dateTimes, first, last, step), pixelsPerBar, minPixels)) {
        const CivilDateTime time = MomentOf(dateTimes, candidate.bar).civil;
        const CivilDate& date = time.date;
        TimeMark mark{candidate.bar, TimeTextKind::kTimeOfDay, {}, TimeTextKind::kNone, {}};
        if (clock) {
            mark.text = TimeOfDayText(time, kSteps[step].average < kMinute);
            if (marks.empty() || date.year != previous.year) {
                mark.underKind = TimeTextKind::kDayAndYear;
            } else if (date.month != previous.month || date.day != previous.day) {
                mark.underKind = TimeTextKind::kDay;
            }
        } else {
            mark.kind = DateKindOf(kSteps[static_cast<size_t>(candidate.rank)]);
            mark.text = DateText(mark.kind, date);
            if (marks.empty() && mark.kind != TimeTextKind::kYear) mark.underKind = TimeTextKind::kYear;
        }
        mark.under = DateText(mark.underKind, date);
        marks.push_back(std::move(mark));
        previous = date;
    }
    return marks;
}

}  // namespace kovra::host
