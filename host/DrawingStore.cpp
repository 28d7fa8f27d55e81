#include "host/DrawingStore.h"

#include <algorithm>

namespace kovra::host {

uint64_t DrawingStore::Key(int32_t studyIdentifier, int32_t drawingId) {
    return uint64_t{static_cast<uint32_t>(studyIdentifier)} << 32 | static_cast<uint32_t>(drawingId);
}

void DrawingStore::Submit(int32_t studyIdentifier, const DrawingRequest& request) {
    ++CountersOf(studyIdentifier).submissions;
    size_t& position = positions_.try_emplace(Key(studyIdentifier, request.DrawingId), drawings_.size()).first->second;
    const bool stored = position < drawings_.size() && drawings_[position].studyIdentifier == studyIdentifier &&
                        drawings_[position].request.DrawingId == request.DrawingId;
    if (stored) {
        drawings_[position].request = request;
    } else {
        position = drawings_.size();
        drawings_.emplace_back(studyIdentifier, request, std::string());  // the request copied once
    }
    StoredDrawing& drawing = drawings_[position];
    drawing.request.DrawingText = HostText{nullptr, 0, 0};
    if (request.DrawingText.Chars != nullptr)
        drawing.text.assign(request.DrawingText.Chars, static_cast<size_t>(std::max(request.DrawingText.Length, 0)));
    else
        drawing.text.clear();
}

void DrawingStore::ClearStudy(int32_t studyIdentifier) {
    const auto first = std::find_if(drawings_.begin(), drawings_.end(),
                                    [&](const StoredDrawing& d) { return d.studyIdentifier == studyIdentifier; });
    const auto moved = static_cast<size_t>(first - drawings_.begin());
    std::erase_if(drawings_, [&](const StoredDrawing& d) { return d.studyIdentifier == studyIdentifier; });
    // Other studies' drawings behind the first removed one moved up.
    for (size_t position = moved; position < drawings_.size(); ++position)
        positions_[Key(drawings_[position].studyIdentifier, drawings_[position].request.DrawingId)] = position;
    ++CountersOf(studyIdentifier).clears;
}

std::vector<const StoredDrawing*> DrawingStore::DrawingsOf(int32_t studyIdentifier) const {
    std::vector<const StoredDrawing*> result;
    for (const StoredDrawing& drawing : drawings_)
        if (drawing.studyIdentifier == studyIdentifier) result.push_back(&drawing);
    return result;
}

int64_t DrawingStore::SubmissionsOf(int32_t studyIdentifier) const {
    const Counters* counters = FindCounters(studyIdentifier);
    return counters != nullptr ? counters->submissions : 0;
}

int64_t DrawingStore::ClearsOf(int32_t studyIdentifier) const {
    const Counters* counters = FindCounters(studyIdentifier);
    return counters != nullptr ? counters->clears : 0;
}

DrawingStore::Counters& DrawingStore::CountersOf(int32_t studyIdentifier) {
    for (Counters& counters : counters_)
        if (counters.studyIdentifier == studyIdentifier) return counters;
    return counters_.emplace_back(Counters{studyIdentifier, 0, 0});
}

const DrawingStore::Counters* DrawingStore::FindCounters(int32_t studyIdentifier) const {
    for (const Counters& counters : counters_)
        if (counters.studyIdentifier == studyIdentifier) return &counters;
    return nullptr;
}

}  // namespace kovra::host
