#include "drawing/LabelSettings.h"

#include "drawing/FindSettingsSubgraph.h"

namespace kovra::drawing {

namespace {

constexpr int32_t kFallbackFontSize = 7;

constexpr uint32_t kNameFallbackWord = 0x50003;
constexpr uint32_t kValueFallbackWord = 0x2300;

}  // namespace

LabelStyle FindLabelStyle(HostStudyInterface& host, const char* settingsName, LabelColumn column) {
    const SettingsSet fallback{0,
                               0,
                               kFallbackFontSize,
                               kFallbackFontSize,
                               0,
                               0,
                               column == LabelColumn::Name ? kNameFallbackWord : kValueFallbackWord,
                               0};
    const SettingsSet settings = FindSettingsSubgraph(host, settingsName, fallback);
    const bool name = column == LabelColumn::Name;
    const uint32_t word = settings.labelSettings;

    LabelStyle style{};
    // Besides 'Hidden', the labels also stop at the draw style the host does not draw.
    style.drawn = settings.drawStyle != kDrawStyleHidden && settings.drawStyle != kDrawStyleNotDrawn &&
                  (word & ColumnBit(column, 0x1, 0x100)) != 0;
    style.labelSettings = word;
    // The two columns read their flag bit the opposite way round.
    style.textFlag = name ? ((word & 0x40000) != 0 ? 1 : 0) : ((word & 0x80000) == 0 ? 1 : 0);
    style.fontSize = name ? settings.angleUnit : settings.angleMax;
    style.unifiedColour = settings.labelFlag != 0;
    style.familyColour = name ? settings.primaryColour : settings.secondaryColour;
    return style;
}

}  // namespace kovra::drawing
