#include "host/runtime/DrawingStore.h"

#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstring>
#include <utility>

namespace kovra::host {

uint64_t DrawingStore::Key(int32_t studyIdentifier, int32_t drawingId) {
    return uint64_t{static_cast<uint32_t>(studyIdentifier)} << 32 | static_cast<uint32_t>(drawingId);
}

namespace {

// A request's fields before its reserved room are copied; the reserved room
// (and any padding after it), nearly always zero on both sides, only when it
// differs. Either way the stored bytes equal the submitted ones.
void CopyRequest(DrawingRequest& to, const DrawingRequest& from) {
    constexpr size_t kFields = offsetof(DrawingRequest, Reserved);
    constexpr size_t kRoom = sizeof(DrawingRequest) - kFields;
    auto* const target = reinterpret_cast<unsigned char*>(&to);
    const auto* const source = reinterpret_cast<const unsigned char*>(&from);
    std::memcpy(target, source, kFields);
    if (std::memcmp(target + kFields, source + kFields, kRoom) != 0)
        std::memcpy(target + kFields, source + kFields, kRoom);
}

}  // namespace

void DrawingStore::Submit(int32_t studyIdentifier, const DrawingRequest& request) {
    ++CountersOf(studyIdentifier).submissions;
    size_t& position = positions_.FindOrEnter(Key(studyIdentifier, request.DrawingId), inForce_);
    const bool stored = position < inForce_ && slots_[position].studyIdentifier == studyIdentifier &&
                        slots_[position].request.DrawingId == request.DrawingId;
    if (!stored) position = TakeFreeSlot();
    StoredDrawing& drawing = slots_[position];
    drawing.studyIdentifier = studyIdentifier;
    CopyRequest(drawing.request, request);
    drawing.request.DrawingText = HostText{nullptr, 0, 0};
    if (request.DrawingText.Chars != nullptr)
        drawing.text.assign(request.DrawingText.Chars, static_cast<size_t>(std::max(request.DrawingText.Length, 0)));
    else
        drawing.text.clear();
}

size_t DrawingStore::TakeFreeSlot() {
    if (inForce_ == slots_.size()) slots_.emplace_back();
    return inForce_++;
}

void DrawingStore::ClearStudy(int32_t studyIdentifier) {
    // The drawings kept move up in order; the cleared ones' slots end up behind them.
    size_t kept = 0;
    while (kept < inForce_ && slots_[kept].studyIdentifier != studyIdentifier) ++kept;
    for (size_t position = kept + 1; position < inForce_; ++position) {
        if (slots_[position].studyIdentifier == studyIdentifier) continue;
        std::swap(slots_[kept], slots_[position]);
        positions_.FindOrEnter(Key(slots_[kept].studyIdentifier, slots_[kept].request.DrawingId), kept) = kept;
        ++kept;
    }
    inForce_ = kept;
    ++CountersOf(studyIdentifier).clears;
}

std::vector<const StoredDrawing*> DrawingStore::DrawingsOf(int32_t studyIdentifier) const {
    std::vector<const StoredDrawing*> result;
    for (const StoredDrawing& drawing : all())
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

size_t& DrawingStore::PositionTable::FindOrEnter(uint64_t key, size_t absent) {
    if (2 * (used_ + 1) > entries_.size()) Grow();
    const size_t mask = entries_.size() - 1;
    // Fibonacci hashing: the product's top bits mix every bit of the key.
    for (size_t index = (key * 0x9E3779B97F4A7C15u) >> shift_;; index = (index + 1) & mask) {
        Entry& entry = entries_[index];
        if (entry.used && entry.key == key) return entry.position;
        if (!entry.used) {
            entry = Entry{key, absent, true};
            ++used_;
            return entry.position;
        }
    }
}

void DrawingStore::PositionTable::Grow() {
    std::vector<Entry> old = std::exchange(entries_, std::vector<Entry>(entries_.empty() ? 256 : 2 * entries_.size()));
    shift_ = 64 - std::countr_zero(entries_.size());
    used_ = 0;
    for (const Entry& entry : old)
        if (entry.used) FindOrEnter(entry.key, entry.position);
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
