// What a study leaves on its chart after a run, and the first place where two
// such outcomes differ: the checks that run a study twice compare them bit
// for bit.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "host/runtime/DrawingStore.h"
#include "host/runtime/StudyInstance.h"

namespace kovra::host {

struct StudyOutcome {
    std::vector<std::vector<float>> series;  // per subgraph position, one value per bar; empty when never written
    std::map<int32_t, int32_t> persistent;
    std::vector<StoredDrawing> drawings;  // the study's drawings in force, in submission order
};

StudyOutcome OutcomeOf(const StudyInstance& study);

// Which parts of two outcomes a comparison looks at.
enum OutcomeParts : unsigned {
    kSeriesPart = 1,
    kPersistentPart = 2,
    kDrawingsPart = 4,
    kEveryPart = kSeriesPart | kPersistentPart | kDrawingsPart,
};

struct OutcomeDifference {
    std::string what;            // "subgraph 3 at bar 17 is 101.25 (102.5 ALONE)", say
    std::optional<int64_t> bar;  // where it shows, when at a bar
    std::string value;           // the first outcome's value there
};

// The first difference between `found` and `expected` in the parts asked for;
// `expectedName` names the second in the text ("alone", "after a full recalculation").
std::optional<OutcomeDifference> FirstDifference(const StudyOutcome& found, const StudyOutcome& expected,
                                                 unsigned parts, std::string_view expectedName);

// The outcome as bytes, to hand from one process to another, and back.
std::string SerialiseOutcome(const StudyOutcome& outcome);
StudyOutcome ParseOutcome(std::string_view bytes);

// A float as the checks show it: nine significant digits.
std::string FloatText(float value);

}  // namespace kovra::host
