#include "host/outputs/LevelCrossings.h"

#include <fmt/format.h>

#include "host/outputs/CsvCell.h"
#include "host/text/DateTimeText.h"
#include "host/text/FloatText.h"

namespace kovra::host {

std::string_view DirectionText(CrossingDirection direction) {
    return direction == CrossingDirection::kUp ? "up" : "down";
}

std::vector<LevelCrossing> CrossingsAt(const StudyInstance& study, int32_t bar) {
    std::vector<LevelCrossing> crossings;
    const BarColumns& bars = study.chart().bars;
    if (bar < 1 || bar >= bars.size() || !HasLevels(study, bar - 1) || !HasLevels(study, bar)) return crossings;
    const float before = bars.close[static_cast<size_t>(bar - 1)];
    const float after = bars.close[static_cast<size_t>(bar)];
    const std::vector<LevelLine> lines = LevelLinesAt(study, bar);  // highest first
    if (before < after) {
        for (auto line = lines.rbegin(); line != lines.rend(); ++line)
            if (before < line->price && line->price <= after)
                crossings.push_back({bar, *line, CrossingDirection::kUp, before, after});
    } else {
        for (const LevelLine& line : lines)
            if (after < line.price && line.price <= before)
                crossings.push_back({bar, line, CrossingDirection::kDown, before, after});
    }
    return crossings;
}

std::vector<LevelCrossing> AllCrossings(const StudyInstance& study) {
    std::vector<LevelCrossing> all;
    for (int32_t bar = 1; bar < study.chart().bars.size(); ++bar) {
        const std::vector<LevelCrossing> crossings = CrossingsAt(study, bar);
        all.insert(all.end(), crossings.begin(), crossings.end());
    }
    return all;
}

std::string FormatCrossingsCsv(const StudyInstance& study) {
    fmt::memory_buffer out;
    out.append(std::string_view("bar,datetime,line,price,direction,close before,close after\n"));
    const BarColumns& bars = study.chart().bars;
    for (const LevelCrossing& crossing : AllCrossings(study)) {
        fmt::format_to(std::back_inserter(out), "{},", crossing.bar);
        AppendDateTime(out, bars.dateTimes[static_cast<size_t>(crossing.bar)]);
        out.push_back(',');
        AppendCsvCell(out, crossing.line.name);
        out.push_back(',');
        AppendFloatText(out, crossing.line.price);
        out.push_back(',');
        out.append(DirectionText(crossing.direction));
        out.push_back(',');
        AppendFloatText(out, crossing.closeBefore);
        out.push_back(',');
        AppendFloatText(out, crossing.closeAfter);
        out.push_back('\n');
    }
    return fmt::to_string(out);
}

}  // namespace kovra::host
