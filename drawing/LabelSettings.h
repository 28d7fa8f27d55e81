// The settings of a family of labels. One settings subgraph configures two
// families: the 'Name' column with the primary colour and 'Angle Unit', and the
// 'Value' column with the secondary colour and 'Angle Max'.
#pragma once

#include <cstdint>

#include "record/HostStudyInterface.h"

namespace kovra::drawing {

enum class LabelColumn : uint8_t { Name, Value };

// Picks the column's bit of a label-settings row.
inline uint32_t ColumnBit(LabelColumn column, uint32_t nameBit, uint32_t valueBit) {
    return column == LabelColumn::Name ? nameBit : valueBit;
}

struct LabelStyle {
    bool drawn;              // draw style neither 4 nor 5, and the column's on bit set
    uint32_t labelSettings;  // the whole word; a family reads only its column's bits
    int32_t textFlag;
    int32_t fontSize;
    bool unifiedColour;  // the 'Label' tick box: one colour for the whole family
    uint32_t familyColour;

    uint32_t LineColour(uint32_t levelColour) const { return unifiedColour ? familyColour : levelColour; }
};

// Looks up `settingsName` as every settings subgraph is looked up (exact name,
// last match wins). Without a match: words 0x50003 / 0x2300, font size 7, the
// line colours.
LabelStyle FindLabelStyle(HostStudyInterface& host, const char* settingsName, LabelColumn column);

}  // namespace kovra::drawing
