#include "drawing/SubmitDrawing.h"

namespace kovra::drawing {

void SubmitUnlessSuppressed(HostStudyInterface& host, DrawingRequest& request) {
    if (host.DrawingsSuppressed == 0 && host.SubmitDrawing != nullptr) host.SubmitDrawing(&host, &request);
}

void ReleaseRequestText(HostStudyInterface& host, DrawingRequest& request) {
    if (request.DrawingText.Chars != nullptr) host.TextAssign(&host, &request.DrawingText, nullptr);
    request.DrawingText = HostText{nullptr, 0, 0};
}

void SubmitAndRelease(HostStudyInterface& host, DrawingRequest& request) {
    SubmitUnlessSuppressed(host, request);
    ReleaseRequestText(host, request);
}

}  // namespace kovra::drawing
