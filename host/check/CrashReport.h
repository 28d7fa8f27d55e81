// A crash in a check's process reported as its failure: the signal, the call
// it came in (the scenario and the bar) and, for a fault in a guard page,
// the array the study reached outside.
#pragma once

#include <string_view>

#include "host/runtime/StudyInstance.h"

namespace kovra::host {

// Handles the signals a crashing study raises: each writes a failure verdict
// to `fd` and lets the signal end the process.
void ReportCrashesTo(int fd);

// While it lives, a crash is told as happening in a call of `study` in
// `scenario` ("a chart of 240 bars", say). One at a time per process.
class WatchedCalls {
public:
    WatchedCalls(const StudyInstance& study, std::string_view scenario);
    ~WatchedCalls();
    WatchedCalls(const WatchedCalls&) = delete;
    WatchedCalls& operator=(const WatchedCalls&) = delete;
};

}  // namespace kovra::host
