#include "host/runtime/DrawingStore.h"

#include <bit>
#include <cstddef>
#include <utility>

namespace kovra::host {

uint64_t DrawingStore::Key(int32_t studyIdentifier, int32_t drawingId) {
    return uint64_t{static_cast<uint32_t>(studyIdentifier)} << 32 | static_cast<uint32_t>(drawingId);
}

void DrawingStore::Submit(int32_t studyIdentifier, const DrawingRequest& request) {
    ++CountersOf(studyIdentifier).submissions;
    size_t& position = positions_.FindOrEnter(Key(studyIdentifier, request.DrawingId), inForce_);
    const bool stored = position < inForce_ && slots_[position].studyIdentifier == studyIdentifier &&
                        slots_[position].drawingId() == request.DrawingId;
    if (!stored) position = TakeFreeSlot();
    slots_[position].Keep(studyIdentifier, request);
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
        positions_.FindOrEnter(Key(slots_[kept].studyIdentifier, slots_[kept].drawingId()), kept) = kept;
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
