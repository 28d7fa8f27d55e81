// The chart's drawings: what studies submitted, keyed by study instance and
// DrawingId, in submission order.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "host/runtime/StoredDrawing.h"
#include "record/HostStudyInterface.h"

namespace kovra::host {

class DrawingStore {
public:
    // Adds the drawing, or replaces the one of the same study and DrawingId in
    // place; finds it in constant time.
    void Submit(int32_t studyIdentifier, const DrawingRequest& request);
    // Removes every drawing of the study instance; counts one clear for it.
    void ClearStudy(int32_t studyIdentifier);

    // The study's drawings in force, in submission order.
    std::vector<const StoredDrawing*> DrawingsOf(int32_t studyIdentifier) const;
    // Every drawing in force, in submission order.
    std::span<const StoredDrawing> all() const { return {slots_.data(), inForce_}; }
    int64_t SubmissionsOf(int32_t studyIdentifier) const;
    int64_t ClearsOf(int32_t studyIdentifier) const;

private:
    struct Counters {
        int32_t studyIdentifier;
        int64_t submissions;
        int64_t clears;
    };
    // Positions by key: open addressing, linear probing, entries never removed.
    class PositionTable {
    public:
        // The position under `key`, `absent` entered for it when it has none.
        // Valid until the next call.
        size_t& FindOrEnter(uint64_t key, size_t absent);

    private:
        struct Entry {
            uint64_t key;
            size_t position;
            bool used;
        };
        void Grow();
        std::vector<Entry> entries_;  // a power of two of them, at most half used
        size_t used_ = 0;
        int shift_ = 64;  // 64 - log2 of the entries' count
    };

    Counters& CountersOf(int32_t studyIdentifier);
    const Counters* FindCounters(int32_t studyIdentifier) const;
    static uint64_t Key(int32_t studyIdentifier, int32_t drawingId);
    // The slot after those in force, made when there is none; now in force.
    size_t TakeFreeSlot();

    // The first inForce_ slots hold the drawings in force, in submission
    // order. The slots behind them held cleared drawings and are kept, text
    // buffers included, so a study drawing pass after pass allocates nothing.
    std::vector<StoredDrawing> slots_;
    size_t inForce_ = 0;
    // Where each study and DrawingId was last stored. An entry may be stale
    // (its drawing cleared since): a position counts only while it is in
    // force and the drawing there carries the same key.
    PositionTable positions_;
    std::vector<Counters> counters_;
};

}  // namespace kovra::host
