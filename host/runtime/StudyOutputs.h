// What the study publishes of itself, read by meaning: its level series, its
// frame window, its extremes and its buttons. This is the host's one reader of
// the study's layout (where its series sit, the keys of its persistent
// integers); everything else in the host and the command line asks here.
// The host reads the lines; it never computes a level itself.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "host/runtime/StudyInstance.h"

namespace kovra::host {

// The subgraph positions of the thirteen level series, from the +2/8th line
// down to the -2/8th.
std::span<const int32_t> LevelSeriesSubgraphs();

// The 8/8th and 0/8th series at `bar`; NaN where the study wrote nothing.
float EightEighthsAt(const StudyInstance& study, int32_t bar);
float ZeroEighthsAt(const StudyInstance& study, int32_t bar);
// Whether `bar` has levels: both the 8/8th and the 0/8th series hold a value.
bool HasLevels(const StudyInstance& study, int32_t bar);

// Each bar's upper and lower price extreme, as the study recorded them.
float UpperExtremeAt(const StudyInstance& study, int32_t bar);
float LowerExtremeAt(const StudyInstance& study, int32_t bar);

// The current frame as the study keeps it in its persistent integers.
struct FrameWindow {
    int32_t start;      // the frame's first bar
    int32_t end;        // the bar the frame runs to
    int32_t lastDrawn;  // the bar last drawn, -1 since the frame changed
};
FrameWindow FrameWindowOf(const StudyInstance& study);

// The control-bar buttons the study labels and handles: 1 .. this count.
int32_t StudyButtonCount();

struct LevelLine {
    int32_t subgraph;       // its level series' position
    std::string_view name;  // the subgraph's name, e.g. "6/8th"; valid while the instance lives
    float price;
};

// The level lines holding a value at `bar`, highest price first (equal prices
// in subgraph order). With "Show Frame History" off the study writes only the
// 8/8th and 0/8th series, so those two are then the only lines there are.
std::vector<LevelLine> LevelLinesAt(const StudyInstance& study, int32_t bar);

// A subgraph's name as the study declared it (or the user renamed it); empty
// for a position the record lacks.
std::string_view SubgraphName(const StudyInstance& study, int32_t subgraph);

}  // namespace kovra::host
