#include "host/check/CheckCatalogue.h"

#include <algorithm>

#include <fmt/format.h>

#include "host/check/Checks.h"
#include "host/check/ChildProcess.h"

namespace kovra::host {

namespace {

// In the order of the strictness they need; the speed check runs at every
// strictness (for information below 5) and comes last.
constexpr CheckEntry kCatalogue[] = {
    {"exports", 1, &CheckExports},
    {"defaults", 1, &CheckDefaultsCall},
    {"array-access", 2, &CheckArrayAccess},
    {"determinism", 3, &CheckDeterminism},
    {"hidden-state", 4, &CheckHiddenState},
    {"recalculation", 4, &CheckRecalculation},
    {"live", 5, &CheckLiveConsistency},
    {"drawings", 6, &CheckDrawings},
    {"buttons", 6, &CheckButtons},
    {"hostile-bars", 7, &CheckHostileBars},
    {"speed", 1, &CheckSpeed},
};

bool Selected(const CheckEntry& check, const std::vector<std::string>& only) {
    return only.empty() || std::find(only.begin(), only.end(), check.name) != only.end();
}

}  // namespace

std::span<const CheckEntry> CheckCatalogue() { return kCatalogue; }

const CheckEntry* FindCheck(const std::string& name) {
    for (const CheckEntry& check : kCatalogue)
        if (name == check.name) return &check;
    return nullptr;
}

std::vector<CheckRow> RunCheckCatalogue(const CheckContext& context, const std::vector<std::string>& only) {
    // The library is loaded first, in a process of its own: its loading may crash too.
    const CheckEntry& exports = kCatalogue[0];
    const CheckVerdict loaded = RunInChild([&] { return exports.run(context); }, context.timeLimit);
    if (loaded.verdict == Verdict::kNotAStudyLibrary) throw NotAStudyLibrary(loaded.reason);

    std::vector<CheckRow> rows;
    std::string blocked = loaded.failed() ? "the library does not load (see exports)" : "";
    for (const CheckEntry& check : kCatalogue) {
        if (!Selected(check, only)) continue;
        if (&check == &exports) {
            rows.push_back({&check, loaded});
        } else if (check.strictness > context.strictness) {
            rows.push_back({&check, CheckVerdict::Skip(fmt::format("runs from strictness {}", check.strictness))});
        } else if (!blocked.empty()) {
            rows.push_back({&check, CheckVerdict::Skip(blocked)});
        } else {
            rows.push_back({&check, RunInChild([&] { return check.run(context); }, context.timeLimit)});
            if (check.run == &CheckDefaultsCall && rows.back().verdict.crashed)
                blocked = "the defaults call crashed (see defaults)";
        }
    }
    return rows;
}

}  // namespace kovra::host
