#include "host/runtime/StoredDrawing.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace kovra::host {

namespace {

constexpr HostText kNoText{nullptr, 0, 0};

}  // namespace

StoredDrawing::StoredDrawing(int32_t studyIdentifier, const DrawingRequest& request, std::string text)
    : studyIdentifier(studyIdentifier), text(std::move(text)) {
    KeepRequest(request);
}

void StoredDrawing::Keep(int32_t studyIdentifier, const DrawingRequest& request) {
    this->studyIdentifier = studyIdentifier;
    KeepRequest(request);
    if (request.DrawingText.Chars != nullptr)
        text.assign(request.DrawingText.Chars, static_cast<size_t>(std::max(request.DrawingText.Length, 0)));
    else
        text.clear();
}

void StoredDrawing::KeepRequest(const DrawingRequest& request) {
    const auto* const bytes = reinterpret_cast<const unsigned char*>(&request);
    std::memcpy(fields_.data(), bytes, kFieldBytes);
    std::memcpy(fields_.data() + offsetof(DrawingRequest, DrawingText), &kNoText, sizeof kNoText);
    const unsigned char* const reserved = bytes + kFieldBytes;
    // Compared by memcmp: a loop over the bytes doubled the time of a new bar.
    static constexpr std::array<unsigned char, kReservedBytes> kZeros{};
    if (std::memcmp(reserved, kZeros.data(), kReservedBytes) != 0)
        reserved_.assign(reserved, reserved + kReservedBytes);
    else
        reserved_.clear();
}

DrawingRequest StoredDrawing::request() const {
    DrawingRequest request;
    auto* const bytes = reinterpret_cast<unsigned char*>(&request);
    std::memcpy(bytes, fields_.data(), kFieldBytes);
    if (reserved_.empty())
        std::fill_n(bytes + kFieldBytes, kReservedBytes, 0);
    else
        std::memcpy(bytes + kFieldBytes, reserved_.data(), kReservedBytes);
    return request;
}

int32_t StoredDrawing::drawingId() const {
    int32_t id = 0;
    std::memcpy(&id, fields_.data() + offsetof(DrawingRequest, DrawingId), sizeof id);
    return id;
}

}  // namespace kovra::host
