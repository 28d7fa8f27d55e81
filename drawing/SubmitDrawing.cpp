#include "drawing/SubmitDrawing.h"

void SubmitAndRelease(HostStudyInterface& host, DrawingRequest& request) {
    if (host.DrawingsSuppressed == 0 && host.SubmitDrawing != nullptr) host.SubmitDrawing(&host, &request);
    if (request.DrawingText.Chars != nullptr) host.TextAssign(&host, &request.DrawingText, nullptr);
}
