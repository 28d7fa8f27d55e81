// What must hold around every call of the study function, seen from the host:
// the frame window moves only as the per-bar driver lets it, drawings are
// cleared and submitted only when due, and no infinite or undefined price
// reaches a level series or a drawing.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>

#include "host/check/RecordRules.h"
#include "host/runtime/StudyInstance.h"

namespace kovra::fuzz {

class StudyCallChecks {
public:
    explicit StudyCallChecks(host::StudyInstance& study) : study_(study) {}

    // Takes note of what the next call may change. Call right before it.
    void BeforeCall();
    // The properties of the call just made; each returns the first that
    // failed, empty when all held.
    std::string AfterDefaultsCall();
    std::string AfterBarCall(int32_t bar, bool recalculationRequested);
    // An input changed outside a recalculation: the frame size is unknown
    // until the next call for bar 0 reveals it.
    void ForgetFrameSize() { frameSize_.reset(); }

private:
    std::string CheckFrameWindow(int32_t bar) const;
    std::string CheckDrawingCalls(int32_t bar, bool recalculationRequested) const;
    std::string CheckSubmittedDrawings() const;
    std::string CheckLevelSeries(int32_t bar) const;
    std::string CheckReleasedButtons() const;
    bool ReachesDrawingStep(int32_t bar) const;
    bool ShowGrid() const;
    // A level series value read the way the study reads it (clamped positions).
    float LevelThroughRecord(int32_t subgraph, int32_t bar) const;

    host::StudyInstance& study_;
    std::optional<int64_t> frameSize_;  // as the driver combines it, learnt on bar 0
    host::CallTraces before_;
    int32_t eventKindBefore_ = 0;
    int32_t eventNumberBefore_ = 0;
};

}  // namespace kovra::fuzz
