// The control-bar buttons 1 to 17: their texts, the pushed frame-size button,
// and a push turned into an input change and a recalculation request.
#pragma once

#include "record/HostStudyInterface.h"
#include "study/StudyEntries.h"

namespace kovra::study {

// Bar 0: label and hover texts, and the current frame size's button pushed.
void SetUpButtons(HostStudyInterface& host, const StudyEntries& entries);
// Whenever the host sets ReleaseButtons: every label and hover text emptied.
void BlankButtons(HostStudyInterface& host);
// A pending button event: a push changes its input and asks for a recalculation.
void HandleButtonEvent(HostStudyInterface& host, const StudyEntries& entries);

}  // namespace kovra::study
