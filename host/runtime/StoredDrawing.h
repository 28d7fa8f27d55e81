// A drawing as the chart keeps it, compactly: the request's fields as
// submitted, and its reserved room (816 of its 920 bytes, for fields of later
// versions of the record) only when the study wrote something other than zero
// there. A reader is given back the submitted request byte for byte.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "record/HostStudyInterface.h"

namespace kovra::host {

class StoredDrawing {
public:
    StoredDrawing() = default;
    // The request as submitted, DrawingText emptied; `text` holds its characters.
    StoredDrawing(int32_t studyIdentifier, const DrawingRequest& request, std::string text);

    // Keeps `request` and copies its text into `text`, in this drawing's
    // buffers: a slot used again allocates nothing for a request and text
    // that fit.
    void Keep(int32_t studyIdentifier, const DrawingRequest& request);

    // Every byte as submitted, DrawingText emptied (see text).
    DrawingRequest request() const;
    int32_t drawingId() const;

    int32_t studyIdentifier = 0;
    std::string text;

private:
    static constexpr size_t kFieldBytes = offsetof(DrawingRequest, Reserved);
    static constexpr size_t kReservedBytes = sizeof(DrawingRequest) - kFieldBytes;  // padding after it included

    void KeepRequest(const DrawingRequest& request);

    std::array<unsigned char, kFieldBytes> fields_{};
    std::vector<unsigned char> reserved_;  // empty while the reserved room is all zero
};

}  // namespace kovra::host
