#include "host/scan/ScanRow.h"

#include <cmath>

#include "host/runtime/StudyOutputs.h"

namespace kovra::host {

namespace {

double Distance(const LevelLine& line, float close) {
    return std::fabs(static_cast<double>(line.price) - static_cast<double>(close));
}

NeighbourLine Neighbour(const LevelLine& line, float close) {
    const double distance = Distance(line, close);
    std::optional<double> percent;
    if (close != 0) percent = distance / std::fabs(static_cast<double>(close)) * 100;
    return {std::string(line.name), line.price, distance, percent};
}

// The close's neighbours among the lines (highest first).
void PlaceAmongLines(FramePosition& frame, const std::vector<LevelLine>& lines, float close) {
    double nearestDistance = std::numeric_limits<double>::infinity();
    for (const LevelLine& line : lines) {
        const double distance = Distance(line, close);
        if (distance < nearestDistance) {
            nearestDistance = distance;
            frame.nearest = line.name;
        }
        if (line.price > close) frame.above = Neighbour(line, close);  // the last one above is the nearest
        if (line.price < close && !frame.below) frame.below = Neighbour(line, close);
    }
}

}  // namespace

std::string CrossedText(const LastCrossing& crossed) {
    std::string text(DirectionText(crossed.direction));
    for (const std::string& line : crossed.lines) text += " " + line;
    return text;
}

ScanRow RowOfChart(const StudyInstance& study, std::string instrument, std::string file) {
    ScanRow row;
    row.instrument = std::move(instrument);
    row.file = std::move(file);
    row.valueFormat = study.record().ValueFormat;
    const BarColumns& bars = study.chart().bars;
    row.bars = bars.size();
    if (bars.size() == 0) return row;
    const int32_t last = bars.size() - 1;
    row.lastDateTime = bars.dateTimes.back();
    row.close = bars.close.back();
    if (!HasLevels(study, last)) return row;

    FramePosition frame{};
    frame.top = EightEighthsAt(study, last);
    frame.bottom = ZeroEighthsAt(study, last);
    const FrameWindow window = FrameWindowOf(study);
    frame.startBar = window.start;
    frame.endBar = window.end;
    if (frame.startBar >= 0 && frame.startBar <= last)
        frame.startDateTime = bars.dateTimes[static_cast<size_t>(frame.startBar)];
    if (frame.endBar >= 0 && frame.endBar <= last)
        frame.endDateTime = bars.dateTimes[static_cast<size_t>(frame.endBar)];
    frame.barsToEnd = frame.endBar - last;
    frame.barsSinceChange = last - frame.startBar;
    if (frame.top != frame.bottom)
        frame.eighths =
            (static_cast<double>(row.close) - frame.bottom) / (static_cast<double>(frame.top) - frame.bottom) * 8;
    PlaceAmongLines(frame, LevelLinesAt(study, last), row.close);

    const std::vector<LevelCrossing> crossings = CrossingsAt(study, last);
    if (!crossings.empty()) {
        LastCrossing crossed{crossings.front().direction, {}};
        for (const LevelCrossing& crossing : crossings) crossed.lines.emplace_back(crossing.line.name);
        frame.crossed = std::move(crossed);
    }
    row.frame = std::move(frame);
    return row;
}

}  // namespace kovra::host
