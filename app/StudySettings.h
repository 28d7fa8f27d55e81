// The user's edits of the study's settings dialog, given on the command line:
// inputs by name and list item ("Frame Size=64", "Show Grid=no") and subgraph
// fields by record name ("Price line Labelling.AngleUnit=9", "#15.DrawStyle=4").
#pragma once

#include <string>
#include <vector>

#include "host/StudyInstance.h"

namespace kovra::app {

// Applies "INPUT NAME=VALUE" settings in order. VALUE is a list item's text,
// or yes/no for a yes/no input. Throws UsageError naming the valid choices.
void ApplyInputSettings(host::StudyInstance& study, const std::vector<std::string>& settings);

// Applies "NAME.FIELD=VALUE" settings in order; NAME is a subgraph's name (every
// subgraph of that name) or #POSITION. Throws UsageError for an unknown
// subgraph, field or a value out of the field's range.
void ApplySubgraphSettings(host::StudyInstance& study, const std::vector<std::string>& settings);

// The inputs in force, "NAME=VALUE" in position order, as --set accepts them.
std::vector<std::string> DescribeInputs(const host::StudyInstance& study);

}  // namespace kovra::app
