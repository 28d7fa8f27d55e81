// Alerts on the close crossing a level line, as bars arrive. The crossings
// are those of `kovra run --crossings` (host/outputs/LevelCrossings.h): the
// lines of the last bar's own levels between the previous bar's close and the
// last bar's close. A bar is updated many times while it lasts, so an alert
// is raised when a crossing (a line and a direction) is among the last bar's
// crossings after an update and was not after the previous update of the same
// bar: a close that stays beyond the line raises nothing more, one that comes
// back and crosses again raises it again. A new bar starts with none raised.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "host/outputs/LevelCrossings.h"
#include "host/runtime/StudyInstance.h"

namespace kovra::host {

struct Alert {
    int64_t event = 0;  // its number in the workspace's history (increasing); 0 until recorded
    std::string instrument;
    int64_t dateTime = 0;  // the crossing bar's, microseconds since 1899-12-30 00:00:00
    std::string line;      // the level line's name, e.g. "8/8th"
    float price = 0;       // the line's price at that update
    CrossingDirection direction = CrossingDirection::kUp;
    float closeBefore = 0;  // the previous bar's close
    float closeAfter = 0;   // the bar's close at that update
};

// Which lines of an instrument raise alerts: every one, or only those named
// (none when the list is empty).
struct AlertLines {
    bool every = true;
    std::vector<std::string> names;  // when not every: line names as the study names them, e.g. "4/8th"

    bool Includes(std::string_view line) const;
    bool operator==(const AlertLines&) const = default;
};

// One instrument's memory of what its last bar has crossed so far.
class CrossingAlerts {
public:
    // Takes the last bar's crossings as they stand as already alerted, raising
    // nothing: after the chart is loaded or recalculated (settings, a button).
    void Baseline(const StudyInstance& study);

    // After the last bar was updated (appended, or revised): its crossings
    // that were not there after the previous update of the same bar, of
    // `lines` only, in the order the move met them.
    std::vector<Alert> Update(const StudyInstance& study, const std::string& instrument, const AlertLines& lines);

private:
    using Crossed = std::pair<int32_t, CrossingDirection>;  // a line's subgraph, the direction
    static std::vector<Crossed> CrossedNow(const std::vector<LevelCrossing>& crossings);

    int32_t bar_ = -1;         // the last bar the crossings below belong to
    int64_t barDateTime_ = 0;  // its date-time
    std::vector<Crossed> crossed_;
};

// The alert as one line of JSON with its line end, for standard output:
// {"event":7,"instrument":"ES","datetime":"2024-01-02 09:32:00","line":"1/8th",
//  "price":101,"direction":"up","close_before":100.5,"close_after":102.25}
// Prices as the crossings CSV writes them (9 significant digits).
std::string AlertJsonLine(const Alert& alert);

}  // namespace kovra::host
