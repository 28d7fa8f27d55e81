// How every drawing reaches the host: a fresh request, filled by the step,
// submitted unless drawings are suppressed, its text released afterwards.
#pragma once

#include "record/HostStudyInterface.h"

namespace kovra::drawing {

// Hands `request` to the host unless the host suppresses drawings. The host may
// rewrite the request's fields.
void SubmitUnlessSuppressed(HostStudyInterface& host, DrawingRequest& request);

// Frees the text the request owns and leaves it empty.
void ReleaseRequestText(HostStudyInterface& host, DrawingRequest& request);

// Submits `request` unless the host suppresses drawings; then releases the text
// the request owns. The request may have been rewritten by the host.
void SubmitAndRelease(HostStudyInterface& host, DrawingRequest& request);

// Starts a fresh request (every field "not given"), lets `fill` set the step's
// fields, then submits and releases it.
template <typename Fill>
void SubmitFreshDrawing(HostStudyInterface& host, Fill&& fill) {
    DrawingRequest request;
    fill(request);
    SubmitAndRelease(host, request);
}

}  // namespace kovra::drawing
