// Changes a fuzzer makes to a host record between calls: odd input values and
// selected texts, odd subgraph settings, host flags and button events.
#pragma once

#include <deque>
#include <string>

#include "fuzz/FuzzInput.h"
#include "host/runtime/StudyInstance.h"

namespace kovra::fuzz {

// An input's value, as the settings dialog sets it: a small list index mostly,
// else an awkward number.
void TweakInputValue(FuzzInput& input, host::StudyInstance& study);
// An input's selected text replaced by a near miss, a number that does not
// fit, no text at all or fuzzer bytes (kept alive in `ownedTexts`).
void TweakSelectedText(FuzzInput& input, host::StudyInstance& study, std::deque<std::string>& ownedTexts);
// One setting of one subgraph: its name (the drawing-settings names, near
// misses, none), draw style, widths, label settings, colours.
void TweakSubgraph(FuzzInput& input, host::StudyInstance& study);
// DrawingsSuppressed, ReleaseButtons and HoldChartUpdates, each off or on.
void SetHostFlags(FuzzInput& input, HostStudyInterface& record);
// A button event of the buttons 0..19 mostly, of any number otherwise, of kind
// on, off, none or any.
host::ButtonEvent FuzzButtonEvent(FuzzInput& input);

}  // namespace kovra::fuzz
