// The study driven through a host record shaped by the fuzzer.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "record/HostStudyInterface.h"

namespace kovra::fuzz {

// Decodes a record (0 to 30 inputs and subgraphs, any study identifier and
// value format), 0 to 2000 bars with awkward prices, odd input values and
// texts, odd subgraph settings, host flags and button events, then calls
// `study` the way a host does: defaults, every bar, and a script of real-time
// updates, new bars, pushes and recalculations. Every call is checked
// (StudyCallChecks.h). Returns the first property that failed, empty when all held.
std::string CheckStudyRecordInput(StudyFunction study, const uint8_t* data, size_t size);

}  // namespace kovra::fuzz
