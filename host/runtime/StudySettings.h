// The study's settings dialog as a value: the user's edits of inputs (by name
// and list item, "Frame Size" = "64", "Show Grid" = "no") and of subgraph
// fields (by record name, "Price line Labelling" . "AngleUnit" = "9", or by
// position "#15"), applied to a study instance in order, and the inputs in
// force described the same way.
#pragma once

#include <cstddef>
#include <stdexcept>
#include <string>
#include <vector>

#include "host/runtime/StudyInstance.h"

namespace kovra::host {

struct InputSetting {
    std::string input;  // the input's name
    std::string value;  // a list item's text, or yes/no for a yes/no input
};

struct SubgraphSetting {
    std::string subgraph;  // a subgraph's name (every subgraph of that name), or #POSITION
    std::string field;     // a StudySubgraph field's record name, e.g. "PrimaryColour"
    std::string value;     // decimal, or hexadecimal with a 0x prefix, for whole numbers
};

struct StudySettings {
    std::vector<InputSetting> inputs;
    std::vector<SubgraphSetting> subgraphs;
};

// A setting the dialog refuses: which one, and why (naming the valid choices).
struct SettingsError : std::runtime_error {
    enum class Kind { kInput, kSubgraph };
    SettingsError(Kind kind, size_t index, const std::string& reason)
        : std::runtime_error(reason), kind(kind), index(index) {}
    Kind kind;
    size_t index;  // into StudySettings::inputs or ::subgraphs
};

// Applies every input setting in order, then every subgraph setting. Throws
// SettingsError at the first refused one; those before it stay applied.
void ApplyStudySettings(StudyInstance& study, const StudySettings& settings);

// The declared inputs in force, in position order, each as the setting that
// would set it.
std::vector<InputSetting> InputsInForce(const StudyInstance& study);

// The same as "NAME=VALUE" lines.
std::vector<std::string> DescribeInputs(const StudyInstance& study);

}  // namespace kovra::host
