// What the study publishes of itself: where its inputs and series sit, the
// names of its drawing-settings subgraphs and the keys of its persistent
// integers. The defaults call declares this layout, the drawing steps read
// their settings by these names, and a host reads the series at these positions.
#pragma once

#include <cstdint>

namespace kovra::layout {

// Inputs, by position.
inline constexpr int32_t kInputFrameAlgorithm = 10;
inline constexpr int32_t kInputFrameSize = 11;
inline constexpr int32_t kInputPriorFrameInclusion = 12;
inline constexpr int32_t kInputPriceExtremes = 13;
inline constexpr int32_t kInputShowGrid = 14;
inline constexpr int32_t kInputShowFrameHistory = 16;

// The level series: subgraphs 0 .. 12 run from the +2/8th line down to the
// -2/8th line, so level k (0 the 0/8th line, 8 the 8/8th, -2 .. 10 in all)
// sits at position kSubgraphBottom - k.
inline constexpr int32_t kLevelCount = 13;
inline constexpr int32_t kSubgraphTop = 2;      // 8/8th
inline constexpr int32_t kSubgraphBottom = 10;  // 0/8th
inline constexpr int32_t kLowestLevel = -2;     // the -2/8th line
inline constexpr int32_t kHighestLevel = 10;    // the +2/8th line
constexpr int32_t LevelSubgraph(int32_t level) { return kSubgraphBottom - level; }

// Each bar's upper and lower price extreme, hidden series.
inline constexpr int32_t kSubgraphUpperExtreme = 13;
inline constexpr int32_t kSubgraphLowerExtreme = 14;

// The drawing-settings subgraphs: declared at these positions, found by these
// exact names (so a user may move or copy them).
struct SettingsSubgraph {
    int32_t position;
    const char* name;
};
inline constexpr SettingsSubgraph kCirclesSettings{15, "Circles of Conflict Border/Fill"};
inline constexpr SettingsSubgraph kMajorSpeedlinesSettings{18, "Speedlines Major - Up/Down"};
inline constexpr SettingsSubgraph kMinorSpeedlinesSettings{19, "Minor Speedlines - Up/Down"};
inline constexpr SettingsSubgraph kPriceLabelSettings{20, "Price line Labelling"};
inline constexpr SettingsSubgraph kTimeLabelSettings{21, "Time line Labelling"};

// The control-bar buttons the study labels and handles: 1 .. kButtonCount.
inline constexpr int32_t kButtonCount = 17;

// The frame window, kept in the host's persistent integers under these keys.
inline constexpr int32_t kFrameStartKey = 1;
inline constexpr int32_t kFrameEndKey = 2;
inline constexpr int32_t kLastDrawnKey = 3;  // the bar last drawn, -1 since the frame changed

}  // namespace kovra::layout
