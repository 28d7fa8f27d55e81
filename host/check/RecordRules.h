// Rules of the record a host checks after calling a study, written once for
// the conformance checks and the fuzz targets alike. Each returns what broke
// the rule, in one line, or an empty text when it held.
#pragma once

#include <cstdint>
#include <map>
#include <string>

#include "host/runtime/Chart.h"
#include "host/runtime/StudyInstance.h"
#include "record/HostStudyInterface.h"

namespace kovra::host {

// What a call may change, noted right before it.
struct CallTraces {
    std::map<int32_t, int32_t> persistent;
    int64_t drawingClears = 0;
    int64_t drawingSubmissions = 0;
};
CallTraces TracesOf(const StudyInstance& study);

// The defaults call declares the study and nothing else: it sets no persistent
// integer, clears or submits no drawing and asks for no recalculation.
std::string DefaultsCallSideEffect(const CallTraces& before, const StudyInstance& study);

// A drawing has a known type (kDrawing...) and every price it gives is finite.
std::string DrawingRequestFault(const DrawingRequest& request);
// A drawing's pen style, when given, is one of kLineStyle....
std::string DrawingStyleFault(const DrawingRequest& request);
// A drawing's bars, when given, lie within reach of a chart of `barCount`
// bars: from bar 0 to kBarsBeyondLastBar past its last bar.
inline constexpr int32_t kBarsBeyondLastBar = 10'000;
std::string DrawingReachFault(const DrawingRequest& request, int32_t barCount);

// While the host releases the buttons, the study leaves every button it
// labels blank: the first of buttons first..last keeping a label or hover
// text, 0 when none does.
int32_t FirstButtonWithTexts(const ControlBar& controlBar, int32_t first, int32_t last);

}  // namespace kovra::host
