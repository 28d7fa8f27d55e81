#include "host/DrawingStore.h"

#include <algorithm>

namespace kovra::host {

void DrawingStore::Submit(int32_t studyIdentifier, const DrawingRequest& request) {
    StoredDrawing drawing{studyIdentifier, request, {}};
    if (request.DrawingText.Chars != nullptr)
        drawing.text.assign(request.DrawingText.Chars, static_cast<size_t>(std::max(request.DrawingText.Length, 0)));
    drawing.request.DrawingText = HostText{nullptr, 0, 0};
    ++CountersOf(studyIdentifier).submissions;

    auto same = std::find_if(drawings_.begin(), drawings_.end(), [&](const StoredDrawing& existing) {
        return existing.studyIdentifier == studyIdentifier && existing.request.DrawingId == request.DrawingId;
    });
    if (same != drawings_.end())
        *same = std::move(drawing);
    else
        drawings_.push_back(std::move(drawing));
}

void DrawingStore::ClearStudy(int32_t studyIdentifier) {
    std::erase_if(drawings_, [&](const StoredDrawing& d) { return d.studyIdentifier == studyIdentifier; });
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
