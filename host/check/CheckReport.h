// The rows of a catalogue run as a table for people and as JSON for CI.
#pragma once

#include <string>
#include <vector>

#include "host/check/CheckCatalogue.h"

namespace kovra::host {

struct CheckRunSummary {
    std::string library;
    int32_t strictness;
    const std::vector<CheckRow>& rows;
};

// One row per check: result, name, bar and value of a failure, reason; then
// the counts.
std::string FormatCheckTable(const CheckRunSummary& run);
// {"library", "strictness", "passed", "failed", "skipped", "checks": [{"name",
// "strictness", "result", "reason", "bar", "value"}]}; bar and value are null
// where there is none.
std::string FormatCheckJson(const CheckRunSummary& run);

// Whether any row failed.
bool AnyCheckFailed(const std::vector<CheckRow>& rows);

}  // namespace kovra::host
