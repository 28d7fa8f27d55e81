#include "fuzz/StudyCallChecks.h"

#include <algorithm>
#include <cmath>
#include <initializer_list>
#include <limits>

#include "layout/StudyLayout.h"
#include "record/HostArrayAccess.h"

using namespace kovra::layout;
using kovra::record::HostArrayAccess;

namespace kovra::fuzz {

namespace {

// Frame prices whose whole picture surely stays inside the float range.
constexpr float kSurelyDrawable = 1e37f;

// Window prices the routines are certain to turn into finite, ordered levels.
constexpr float kTameLow = 1e-3f, kTameHigh = 2.5e5f;

int32_t ValueOr0(const std::map<int32_t, int32_t>& values, int32_t key) {
    const auto found = values.find(key);
    return found != values.end() ? found->second : 0;
}

std::string Window(int32_t start, int32_t end, int32_t drawn) {
    return "(" + std::to_string(start) + ", " + std::to_string(end) + ", " + std::to_string(drawn) + ")";
}

// Frame ends saturate at the 32-bit range rather than wrap.
int64_t Saturated(int64_t bar) {
    return std::clamp<int64_t>(bar, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max());
}

bool OneOf(int64_t value, std::initializer_list<int64_t> allowed) {
    return std::find(allowed.begin(), allowed.end(), value) != allowed.end();
}

}  // namespace

void StudyCallChecks::BeforeCall() {
    before_ = host::TracesOf(study_);
    eventKindBefore_ = study_.chart().pendingEvent.kind;
    eventNumberBefore_ = study_.chart().pendingEvent.number;
}

std::string StudyCallChecks::AfterDefaultsCall() { return host::DefaultsCallSideEffect(before_, study_); }

std::string StudyCallChecks::AfterBarCall(int32_t bar, bool recalculationRequested) {
    for (const auto& [key, value] : study_.persistentIntegers())
        if (key < kFrameStartKey || key > kLastDrawnKey) return "persistent integer " + std::to_string(key) + " used";
    if (bar == 0) {
        // Bar 0 sets the end to the frame size; a negative size has also rolled once.
        const int64_t end = study_.PersistentValue(kFrameEndKey);
        frameSize_ = end >= 0 ? end : end / 2;
    }
    for (std::string failure : {CheckFrameWindow(bar), CheckDrawingCalls(bar, recalculationRequested),
                                CheckLevelSeries(bar), CheckReleasedButtons()})
        if (!failure.empty()) return "bar " + std::to_string(bar) + ": " + failure;
    if (recalculationRequested) frameSize_.reset();  // the pushed button changed an input
    return {};
}

std::string StudyCallChecks::CheckReleasedButtons() const {
    if (study_.record().ReleaseButtons == 0) return {};
    if (const int32_t n = host::FirstButtonWithTexts(study_.chart().controlBar, 1, kButtonCount))
        return "button " + std::to_string(n) + " keeps its texts while buttons are released";
    return {};
}

bool StudyCallChecks::ReachesDrawingStep(int32_t bar) const {
    return study_.record().HoldChartUpdates == 0 && (!frameSize_ || bar >= *frameSize_);
}

float StudyCallChecks::LevelThroughRecord(int32_t subgraph, int32_t bar) const {
    HostStudyInterface& record = study_.record();
    return HostArrayAccess(record, HostArrayAccess(record, record.Subgraphs, subgraph).Series, bar);
}

bool StudyCallChecks::ShowGrid() const {
    HostStudyInterface& record = study_.record();
    return HostArrayAccess(record, record.Inputs, kInputShowGrid).Value != 0;
}

std::string StudyCallChecks::CheckFrameWindow(int32_t bar) const {
    const int32_t start0 = ValueOr0(before_.persistent, kFrameStartKey);
    const int32_t end0 = ValueOr0(before_.persistent, kFrameEndKey);
    const int32_t drawn0 = ValueOr0(before_.persistent, kLastDrawnKey);
    const int32_t start = study_.PersistentValue(kFrameStartKey);
    const int32_t end = study_.PersistentValue(kFrameEndKey);
    const int32_t drawn = study_.PersistentValue(kLastDrawnKey);
    const bool hold = study_.record().HoldChartUpdates != 0;
    const std::string moved = "frame window " + Window(start0, end0, drawn0) + " became " + Window(start, end, drawn);

    if (bar == 0) {
        const int32_t drawnOnBar0 = ReachesDrawingStep(0) ? 0 : -1;
        return start == 0 && drawn == drawnOnBar0 ? std::string{} : moved;
    }
    if (start != start0 && start != bar) return moved;
    if (!frameSize_) return OneOf(drawn, {drawn0, -1, bar}) ? std::string{} : moved;

    const int64_t size = *frameSize_;
    if (bar < size) return start == start0 && end == end0 && drawn == drawn0 ? std::string{} : moved;
    const int64_t restarted = Saturated(bar + size);
    if (!OneOf(end, {end0, Saturated(end0 + size), restarted, Saturated(restarted + size)})) return moved;
    if (hold) return OneOf(drawn, {drawn0, -1}) ? std::string{} : moved;
    return drawn == bar ? std::string{} : moved;
}

std::string StudyCallChecks::CheckDrawingCalls(int32_t bar, bool recalculationRequested) const {
    const HostStudyInterface& record = study_.record();
    const int64_t clears = study_.chart().drawings.ClearsOf(study_.studyIdentifier()) - before_.drawingClears;
    const int64_t submissions =
        study_.chart().drawings.SubmissionsOf(study_.studyIdentifier()) - before_.drawingSubmissions;
    // The pass draws the bar's own levels; a bar without finite ones draws
    // nothing, and neither does a frame whose picture (up to five eighths
    // beyond it) would leave the float range: only frames well inside it must draw.
    const float top = LevelThroughRecord(kSubgraphTop, bar);
    const float bottom = LevelThroughRecord(kSubgraphBottom, bar);
    const bool lastBarWithGrid = bar == record.BarCount - 1 && ShowGrid();
    const bool mayDraw = ReachesDrawingStep(bar) && lastBarWithGrid && std::isfinite(top) && std::isfinite(bottom);
    const bool mustDraw = mayDraw && std::fabs(top) <= kSurelyDrawable && std::fabs(bottom) <= kSurelyDrawable;
    const int32_t drawn0 = ValueOr0(before_.persistent, kLastDrawnKey);

    if (clears > 1) return std::to_string(clears) + " clears in one call";
    if (clears == 1 && !mayDraw) return "drawings cleared on a call that does not draw";
    if (frameSize_ && mustDraw && drawn0 != bar && clears == 0) return "a due drawing pass did not clear first";
    if (submissions > 0 && clears == 0) return "drawings submitted without clearing first";
    if (submissions > 0 && record.DrawingsSuppressed != 0) return "drawings submitted while suppressed";
    if (submissions > 0) {
        const std::string failure = CheckSubmittedDrawings();
        if (!failure.empty()) return failure;
    }

    const bool validOnEvent =
        eventKindBefore_ == kButtonPushedOn && eventNumberBefore_ >= 1 && eventNumberBefore_ <= 17;
    if (recalculationRequested && !(validOnEvent && ReachesDrawingStep(bar)))
        return "recalculation requested without a button pushed on";
    if (frameSize_ && validOnEvent && ReachesDrawingStep(bar) && !recalculationRequested)
        return "button " + std::to_string(eventNumberBefore_) + " pushed on without a recalculation request";
    return {};
}

std::string StudyCallChecks::CheckSubmittedDrawings() const {
    for (const host::StoredDrawing* drawing : study_.chart().drawings.DrawingsOf(study_.studyIdentifier())) {
        const DrawingRequest request = drawing->request();
        if (const std::string fault = host::DrawingRequestFault(request); !fault.empty())
            return "drawing " + std::to_string(request.DrawingId) + " (type " + std::to_string(request.DrawingType) +
                   ", text \"" + drawing->text + "\") " + fault;
    }
    return {};
}

std::string StudyCallChecks::CheckLevelSeries(int32_t bar) const {
    // With fewer subgraphs the extremes and levels share clamped positions.
    if (study_.subgraphs().size() <= static_cast<size_t>(kSubgraphLowerExtreme)) return {};
    for (int32_t line = 0; line < kLevelCount; ++line)
        if (std::isinf(study_.SeriesValue(line, bar)))
            return "level series " + std::to_string(line) + " is infinite (8/8th " +
                   std::to_string(study_.SeriesValue(kSubgraphTop, bar)) + ", 0/8th " +
                   std::to_string(study_.SeriesValue(kSubgraphBottom, bar)) + ")";

    if (!frameSize_ || *frameSize_ <= 0 || bar < *frameSize_) return {};
    float high = -std::numeric_limits<float>::max(), low = std::numeric_limits<float>::max();
    bool tame = true;
    for (int64_t i = bar - *frameSize_ + 1; i <= bar; ++i) {
        const float upper = study_.SeriesValue(kSubgraphUpperExtreme, static_cast<int32_t>(i));
        const float lower = study_.SeriesValue(kSubgraphLowerExtreme, static_cast<int32_t>(i));
        for (float price : {upper, lower})
            if (!std::isnan(price)) tame = tame && price >= kTameLow && price <= kTameHigh;
        if (upper > high) high = upper;
        if (lower < low) low = lower;
    }
    // Not-a-number bars are skipped by the scan and must not leak into the levels.
    const bool found = high != -std::numeric_limits<float>::max() && low != std::numeric_limits<float>::max();
    if (!tame || !found || !(std::max(high, low) > std::min(high, low))) return {};
    const float top = study_.SeriesValue(kSubgraphTop, bar);
    const float bottom = study_.SeriesValue(kSubgraphBottom, bar);
    if (!std::isfinite(top) || !std::isfinite(bottom) || !(top >= bottom))
        return "window " + std::to_string(std::min(high, low)) + " .. " + std::to_string(std::max(high, low)) +
               " gave levels " + std::to_string(top) + " / " + std::to_string(bottom);
    return {};
}

}  // namespace kovra::fuzz
