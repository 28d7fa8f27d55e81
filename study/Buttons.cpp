#include "study/Buttons.h"

void SetUpButtons(HostStudyInterface& host, const StudyEntries& entries) {
    (void)host;
    (void)entries;
}

void BlankButtons(HostStudyInterface& host) { (void)host; }

void HandleButtonEvent(HostStudyInterface& host, const StudyEntries& entries) {
    (void)host;
    (void)entries;
}
