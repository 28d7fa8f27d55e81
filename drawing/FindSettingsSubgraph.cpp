#include "drawing/FindSettingsSubgraph.h"

#include <cstring>

#include "drawing/BarIndex.h"
#include "record/HostArrayAccess.h"

namespace kovra::drawing {

SettingsSet FindSettingsSubgraph(HostStudyInterface& host, const char* name, const SettingsSet& fallback) {
    SettingsSet settings = fallback;
    if (!record::ResolveHostArray(host, host.Subgraphs)) return settings;
    for (int32_t i = 0; i < host.Subgraphs.Count; ++i) {
        const StudySubgraph& subgraph = host.Subgraphs.Data[i];
        if (subgraph.Name.Chars == nullptr || subgraph.Name.Length == 0) continue;
        // Most names differ in their first byte: no call for those.
        if (subgraph.Name.Chars[0] != name[0] || std::strcmp(subgraph.Name.Chars, name) != 0) continue;
        settings.primaryColour = subgraph.PrimaryColour;
        settings.secondaryColour = subgraph.SecondaryColour;
        settings.angleUnit = TruncateToInt32(subgraph.AngleUnit);
        settings.angleMax = TruncateToInt32(subgraph.AngleMax);
        settings.lineStyle = subgraph.LineStyle;
        settings.drawStyle = subgraph.DrawStyle;
        settings.labelSettings = subgraph.LabelSettings;
        settings.labelFlag = subgraph.LabelFlag;
    }
    return settings;
}

}  // namespace kovra::drawing
