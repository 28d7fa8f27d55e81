// Where the close crossed a level line: at a bar with levels whose previous bar
// has levels too, every line of the bar's own levels that lies between the
// previous close and this close. A close at or above a line stands on its
// upper side, below it on its lower side; the close crosses the line when it
// changes sides:
//   up:   previous close < line <= close
//   down: previous close >= line > close
// so a close that reaches a line from below crosses it, one that leaves a line
// it sat on downwards crosses it, and the crossings of one line alternate up
// and down while the line stays put.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "host/runtime/StudyInstance.h"
#include "host/runtime/StudyOutputs.h"

namespace kovra::host {

enum class CrossingDirection { kUp, kDown };

std::string_view DirectionText(CrossingDirection direction);  // "up" or "down"

struct LevelCrossing {
    int32_t bar;
    LevelLine line;  // of the bar's own levels
    CrossingDirection direction;
    float closeBefore;  // the previous bar's close
    float closeAfter;   // this bar's close
};

// The lines the close of `bar` crossed, in the order the move met them: up
// from the lowest line, down from the highest. Empty for bar 0 and for a bar
// or previous bar without levels.
std::vector<LevelCrossing> CrossingsAt(const StudyInstance& study, int32_t bar);

// Every crossing of the chart, bar by bar.
std::vector<LevelCrossing> AllCrossings(const StudyInstance& study);

// One row per crossing: "bar,datetime,line,price,direction,close before,close
// after", prices with 9 significant digits (as the series CSV writes them).
std::string FormatCrossingsCsv(const StudyInstance& study);

}  // namespace kovra::host
