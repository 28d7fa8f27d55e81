// The per-bar frame driver: every call that is not the defaults call.
#pragma once

#include "study/HostStudyInterface.h"
#include "study/StudyEntries.h"

void RunFrameDriver(HostStudyInterface& host, const StudyEntries& entries);
