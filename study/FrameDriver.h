// The per-bar frame driver: every call that is not the defaults call.
#pragma once

#include "record/HostStudyInterface.h"
#include "study/StudyEntries.h"

namespace kovra::study {

void RunFrameDriver(HostStudyInterface& host, const StudyEntries& entries);

}  // namespace kovra::study
