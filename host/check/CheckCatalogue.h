// The catalogue of conformance checks a study library is held to, by name,
// in the order of the strictness they need. Each runs in a child process of
// its own with a time limit.
#pragma once

#include <chrono>
#include <cstdint>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

#include "host/check/CheckCharts.h"
#include "host/check/CheckVerdict.h"

namespace kovra::host {

inline constexpr int32_t kLowestStrictness = 1;
inline constexpr int32_t kHighestStrictness = 10;

// What every check is given.
struct CheckContext {
    std::string libraryPath;
    int32_t strictness = kHighestStrictness;
    CheckCharts charts;
    std::chrono::milliseconds timeLimit{30'000};  // per check
};

struct CheckEntry {
    const char* name;
    int32_t strictness;                                // the lowest strictness that runs it
    CheckVerdict (*run)(const CheckContext& context);  // in the check's own process
};

std::span<const CheckEntry> CheckCatalogue();
// The entry of that name; null when there is none.
const CheckEntry* FindCheck(const std::string& name);

struct CheckRow {
    const CheckEntry* check;
    CheckVerdict verdict;
};

// Thrown when the library is no study library at all (a usage error).
struct NotAStudyLibrary : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// Runs the checks named in `only` (every one when empty), each in a child
// process; those above the context's strictness are skipped, and so are all
// but the exports when the library does not load, and those needing the
// defaults call when it crashed. Throws NotAStudyLibrary.
std::vector<CheckRow> RunCheckCatalogue(const CheckContext& context, const std::vector<std::string>& only);

}  // namespace kovra::host
