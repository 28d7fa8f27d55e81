// The JSON bodies of the requests that change the chart, read into what the
// engine takes. Each throws std::invalid_argument, with a one-line reason for
// the client, for a body that is not the documented object.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "host/bars/Timeframe.h"
#include "host/runtime/StudySettings.h"
#include "host/serve/EngineChart.h"

namespace kovra::host {

// {"inputs": [{"input", "value"}, ...], "subgraphs": [{"subgraph", "field", "value"}, ...]}
StudySettings SettingsFromJson(std::string_view body);

// {"start": BAR, "speed": BARS_PER_SECOND, "action": "play" | "pause" | "step"}, each optional.
ReplayRequest ReplayFromJson(std::string_view body);

// {"timeframe": "5m"}: a timeframe as `--timeframe` takes it, or kAsInTheFile (nullopt).
std::optional<Timeframe> TimeframeFromJson(std::string_view body);

// {"lines": null} (every line alerts) or {"lines": ["8/8th", ...]} (those only; none when empty).
std::optional<std::vector<std::string>> AlertLinesFromJson(std::string_view body);

}  // namespace kovra::host
