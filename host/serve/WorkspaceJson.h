// A workspace as the page reads it: its instruments with their watchlist
// rows (the objects `kovra scan --format json` writes), and its alerts.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "host/workspace/CrossingAlerts.h"
#include "host/workspace/Workspace.h"

namespace kovra::host {

// {"name", "status": "ready" | "failed" | "removed", "row": {...scan's fields...},
//  "change": the close less the previous bar's (null with fewer than two bars),
//  "warnings": [...], "lines": [the thirteen line names, highest first; none
//  without a chart], "alertLines": null (every line) or [the lines chosen]}
std::string FormatInstrumentJson(const Workspace& workspace, InstrumentId id);
// {"instance", "lastAlert": the greatest alert event number, "instruments": [...]}
std::string FormatInstrumentsJson(const Workspace& workspace, const std::string& instance, int64_t lastAlert);
// [alert, ...], each as the JSON line standard output is given.
std::string FormatAlertsJson(const std::vector<Alert>& alerts);

}  // namespace kovra::host
