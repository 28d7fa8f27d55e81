#include "study/FrameDriver.h"

void RunFrameDriver(HostStudyInterface& host, const StudyEntries& entries) {
    (void)host;
    (void)entries;
}
