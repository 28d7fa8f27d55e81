// The chart's drawings: what studies submitted, keyed by study instance and
// DrawingId, in submission order.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "record/HostStudyInterface.h"

namespace kovra::host {

struct StoredDrawing {
    int32_t studyIdentifier;
    DrawingRequest request;  // every field as submitted; DrawingText emptied (see text)
    std::string text;
};

class DrawingStore {
public:
    // Adds the drawing, or replaces the one of the same study and DrawingId in
    // place; finds it in constant time.
    void Submit(int32_t studyIdentifier, const DrawingRequest& request);
    // Removes every drawing of the study instance; counts one clear for it.
    void ClearStudy(int32_t studyIdentifier);

    // The study's drawings in force, in submission order.
    std::vector<const StoredDrawing*> DrawingsOf(int32_t studyIdentifier) const;
    const std::vector<StoredDrawing>& all() const { return drawings_; }
    int64_t SubmissionsOf(int32_t studyIdentifier) const;
    int64_t ClearsOf(int32_t studyIdentifier) const;

private:
    struct Counters {
        int32_t studyIdentifier;
        int64_t submissions;
        int64_t clears;
    };
    Counters& CountersOf(int32_t studyIdentifier);
    const Counters* FindCounters(int32_t studyIdentifier) const;
    static uint64_t Key(int32_t studyIdentifier, int32_t drawingId);

    std::vector<StoredDrawing> drawings_;
    // Where each study and DrawingId was last stored. An entry may be stale
    // (its drawing cleared since): a position counts only while the drawing
    // there carries the same key. Entries stay when their drawings are
    // cleared, so a study drawing the same identifiers pass after pass
    // allocates nothing.
    std::unordered_map<uint64_t, size_t> positions_;
    std::vector<Counters> counters_;
};

}  // namespace kovra::host
