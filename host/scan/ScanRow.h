// One instrument's line in a scan: where its last close stands in the frame
// of its last bar, all read from the study's series and persistent integers
// after a full recalculation of the instrument's bars.
#pragma once

#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <vector>

#include "host/outputs/LevelCrossings.h"
#include "host/runtime/StudyInstance.h"

namespace kovra::host {

// A level line beside the close.
struct NeighbourLine {
    std::string name;
    float price;
    double distance;                // from the close to the line, >= 0
    std::optional<double> percent;  // the distance in percent of the close; none for a close of 0
};

// What the last bar crossed (see host/LevelCrossings.h).
struct LastCrossing {
    CrossingDirection direction;
    std::vector<std::string> lines;  // in the order the move met them
};

// "up 5/8th 6/8th": the direction, then the lines in the order crossed.
std::string CrossedText(const LastCrossing& crossed);

// The frame of the last bar and the close's place in it; present only when
// the last bar has levels.
struct FramePosition {
    float top;     // the 8/8th
    float bottom;  // the 0/8th
    int32_t startBar;
    int32_t endBar;     // may lie beyond the last bar
    int32_t barsToEnd;  // the end bar less the last bar
    int64_t startDateTime;
    std::optional<int64_t> endDateTime;  // none while the end bar lies beyond the last bar
    int32_t barsSinceChange;             // bars since the levels last changed (the frame start bar)
    std::optional<double> eighths;       // (close - 0/8th) / (8/8th - 0/8th) * 8; none for a flat frame
    std::string nearest;                 // the line nearest the close (the higher one on a tie)
    std::optional<NeighbourLine> above;  // the nearest line strictly above the close
    std::optional<NeighbourLine> below;  // the nearest line strictly below it
    std::optional<LastCrossing> crossed;
};

struct ScanRow {
    std::string instrument;             // the file's name without its extension
    std::string file;                   // the path scanned
    std::string error;                  // why the file gave no chart; empty when it did
    std::vector<std::string> warnings;  // about the file's bars or the run, one line each
    int32_t valueFormat = 0;            // decimal places of the instrument's prices
    int32_t bars = 0;
    int64_t lastDateTime = 0;
    float close = std::numeric_limits<float>::quiet_NaN();
    std::optional<FramePosition> frame;
};

// The row of a chart the study has been run over, from its last bar.
// `instrument` and `file` name it; warnings and error stay empty.
ScanRow RowOfChart(const StudyInstance& study, std::string instrument, std::string file);

}  // namespace kovra::host
