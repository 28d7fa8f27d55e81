#include "host/render/TimeLabels.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "host/DateTimes.h"

namespace kovra::host {

namespace {

constexpr int64_t kSecond = kMicrosecondsPerSecond;
constexpr int64_t kDay = kMicrosecondsPerDay;
constexpr int64_t kSteps[] = {1 * kSecond,    5 * kSecond,    15 * kSecond,    30 * kSecond,  60 * kSecond,
                              120 * kSecond,  300 * kSecond,  600 * kSecond,   900 * kSecond, 1800 * kSecond,
                              3600 * kSecond, 7200 * kSecond, 14400 * kSecond, kDay,          7 * kDay,
                              30 * kDay,      365 * kDay};

// Which step a date-time falls in; floor division, so times before the origin count too.
int64_t StepOf(int64_t dateTime, int64_t step) { return dateTime / step - (dateTime % step < 0 ? 1 : 0); }

// The median time from one bar to the next, so overnight gaps do not count;
// a minute when there is only one bar.
double TypicalBarTime(const std::vector<int64_t>& dateTimes, int32_t first, int32_t last) {
    std::vector<int64_t> steps;
    for (int32_t bar = first + 1; bar <= last; ++bar) {
        steps.push_back(dateTimes[static_cast<size_t>(bar)] - dateTimes[static_cast<size_t>(bar) - 1]);
    }
    if (steps.empty()) return 60.0 * kSecond;
    const auto middle = steps.begin() + static_cast<std::ptrdiff_t>(steps.size() / 2);
    std::nth_element(steps.begin(), middle, steps.end());
    return static_cast<double>(*middle);
}

std::string TimeText(const CivilDateTime& time, bool withSeconds) {
    char text[32];
    if (withSeconds) {
        std::snprintf(text, sizeof text, "%d:%02d:%02d", time.hour, time.minute, time.second);
    } else {
        std::snprintf(text, sizeof text, "%d:%02d", time.hour, time.minute);
    }
    return text;
}

}  // namespace

std::vector<TimeLabel> ChooseTimeLabels(const BarColumns& bars, int32_t firstBar, int32_t lastBar, double barSpacing,
                                        double minPixels) {
    const int32_t first = std::max(firstBar, 0), last = std::min(lastBar, bars.size() - 1);
    if (first > last) return {};
    const auto& dateTimes = bars.dateTimes;
    const double timePerBar = TypicalBarTime(dateTimes, first, last);
    int64_t step = kSteps[std::size(kSteps) - 1];
    for (const int64_t candidate : kSteps) {
        if (static_cast<double>(candidate) / std::max(timePerBar, 1.0) * barSpacing >= minPixels) {
            step = candidate;
            break;
        }
    }
    std::vector<TimeLabel> labels;
    CivilDate previousDate{};
    for (int32_t bar = first; bar <= last; ++bar) {
        const int64_t dateTime = dateTimes[static_cast<size_t>(bar)];
        const bool startsStep =
            bar == 0 || StepOf(dateTime, step) != StepOf(dateTimes[static_cast<size_t>(bar) - 1], step);
        if (!startsStep) continue;
        if (!labels.empty() && (bar - labels.back().bar) * barSpacing < minPixels) continue;
        const CivilDateTime time = CivilFromMicroseconds(dateTime);
        const bool newDay = labels.empty() || time.date.year != previousDate.year ||
                            time.date.month != previousDate.month || time.date.day != previousDate.day;
        labels.push_back(
            TimeLabel{bar, TimeText(time, step < 60 * kSecond),
                      newDay ? std::to_string(time.date.month) + "/" + std::to_string(time.date.day) : ""});
        previousDate = time.date;
    }
    return labels;
}

}  // namespace kovra::host
