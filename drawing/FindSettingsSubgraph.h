// A drawing step's settings, found by its settings subgraph's exact name.
#pragma once

#include <cstdint>

#include "record/HostStudyInterface.h"

namespace kovra::drawing {

struct SettingsSet {
    uint32_t primaryColour;
    uint32_t secondaryColour;
    int32_t angleUnit;  // 'Angle Unit' truncated toward zero
    int32_t angleMax;   // 'Angle Max' truncated toward zero
    int16_t lineStyle;
    int16_t drawStyle;
    uint32_t labelSettings;  // read by the label steps only
    uint8_t labelFlag;       // read by the label steps only
};

// Visits every subgraph in ascending order; each one whose name equals `name`
// exactly (case, spaces and end included) replaces the set, so the last match
// wins. Without a match the set stays `fallback`.
SettingsSet FindSettingsSubgraph(HostStudyInterface& host, const char* name, const SettingsSet& fallback);

// The hidden test of the speedlines and circles: 'Hidden' skips the whole
// step; any other style, the fallback 0 included, lets it draw.
inline bool HidesStep(const SettingsSet& settings) { return settings.drawStyle == kDrawStyleHidden; }

}  // namespace kovra::drawing
