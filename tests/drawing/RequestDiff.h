// Field-by-field comparison of drawing requests, so a mismatch names the fields
// that differ with the expected and actual value side by side.
#pragma once

#include <string>
#include <vector>

#include "record/HostStudyInterface.h"
#include "tests/support/RecordingHost.h"

namespace kovra::testing {

// Empty when equal. Prices compare bit for bit; texts by pointer presence.
std::string DiffRequests(const DrawingRequest& expected, const DrawingRequest& actual);

// A fresh request of `type` with RequestMode 1 and the identifier base + offset:
// the starting point of an expected line or ellipse.
DrawingRequest ExpectedRequest(int32_t type, int32_t studyIdentifier, int32_t offset);

// The submissions whose identifier lies in base + [firstOffset, lastOffset].
std::vector<DrawingRequest> SubmittedInRange(const RecordingHost& host, int32_t firstOffset, int32_t lastOffset);

// The identifier offset of every non-text submission, in order.
std::vector<int32_t> SubmittedOffsets(const RecordingHost& host);

}  // namespace kovra::testing
