// The defaults call: declares the study's name, description, inputs and
// subgraphs, and touches nothing else.
#pragma once

#include "record/HostStudyInterface.h"
#include "study/StudyEntries.h"

namespace kovra::study {

inline constexpr const char* kStudyName = "Kovra Math RT Intraday";

void DeclareStudyDefaults(HostStudyInterface& host, const StudyEntries& entries);

}  // namespace kovra::study
