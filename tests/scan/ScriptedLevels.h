// A stand-in study whose levels the test chooses: each bar's 8/8th and 0/8th
// (none for a bar given not-a-number), written into the thirteen level series
// under the study's line names, eighths one apart in price for easy checking.
// The frame start (persistent integer 1) is the bar the levels last changed,
// the frame end (2) ten bars after it.
#pragma once

#include <cstdint>
#include <vector>

#include "host/runtime/ChartSession.h"

namespace kovra::testing {

struct ScriptedBar {
    float close;
    float top;  // NaN: no levels
    float bottom;
};

// Runs the scripted study over `bars` (minute bars from 2024-01-02 09:30,
// high and low at the close); with `history` off only the 8/8th and 0/8th
// series are written, as the real study does. The chart starts with the first
// `shown` bars (every one when negative); the script's later bars give the
// levels of bars the test appends.
std::unique_ptr<host::ChartSession> RunScriptedLevels(const std::vector<ScriptedBar>& bars, bool history = true,
                                                      int32_t shown = -1);

// The minute bar at `index` of a script, with `close` as its every price.
host::Bar ScriptedBarAt(int32_t index, float close);

}  // namespace kovra::testing
