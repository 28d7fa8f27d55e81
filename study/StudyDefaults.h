// The defaults call: declares the study's name, description, inputs and
// subgraphs, and touches nothing else.
#pragma once

#include "study/HostStudyInterface.h"
#include "study/StudyEntries.h"

inline constexpr const char* kStudyName = "Kovra Math RT Intraday";

void DeclareStudyDefaults(HostStudyInterface& host, const StudyEntries& entries);
