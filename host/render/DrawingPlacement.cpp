#include "host/render/DrawingPlacement.h"

#include <algorithm>
#include <cmath>
#include <optional>
#include <string>

namespace kovra::host {

namespace {

bool PriceGiven(float price) { return price != kNotGivenPrice && std::isfinite(price); }

bool InWindow(int32_t fromBar, int32_t toBar, const BarWindow& window) {
    return std::max(fromBar, toBar) >= window.firstBar && std::min(fromBar, toBar) <= window.lastBar;
}

// A placement, or the reason there is none.
struct Outcome {
    std::optional<PlacedDrawing> placed;
    std::string reason;
};

Outcome PlaceText(const StoredDrawing& stored, const BarColumns& bars, const BarWindow& window) {
    const DrawingRequest& r = stored.request;
    if (!PriceGiven(r.FirstPrice)) return {{}, "text without a price"};
    PlacedDrawing placed{&stored, r.FirstBar, r.FirstBar, r.FirstPrice, r.FirstPrice, TextAnchor::kBar};
    if (r.FirstBar == kNotGivenInteger) {
        if (r.FirstDateTime == kLeftEdgeMarker || r.FirstDateTime == kRightEdgeMarker) {
            placed.anchor = r.FirstDateTime == kLeftEdgeMarker ? TextAnchor::kLeftEdge : TextAnchor::kRightEdge;
            return {placed, {}};
        }
        if (r.FirstDateTime == kNotGivenInteger) return {{}, "text without a bar or date-time"};
        placed.firstBar = placed.secondBar = BarAtOrBefore(bars, r.FirstDateTime);
        if (placed.firstBar < 0) return {{}, "text dated before the first bar"};
    }
    if (!InWindow(placed.firstBar, placed.firstBar, window)) return {{}, "text anchored outside the window"};
    return {placed, {}};
}

Outcome PlaceTwoPoints(const StoredDrawing& stored, const BarWindow& window) {
    const DrawingRequest& r = stored.request;
    if (r.FirstBar == kNotGivenInteger || r.SecondBar == kNotGivenInteger) return {{}, "a bar not given"};
    if (!PriceGiven(r.FirstPrice) || !PriceGiven(r.SecondPrice)) return {{}, "a price not given"};
    if (!InWindow(r.FirstBar, r.SecondBar, window)) return {{}, "bars outside the window"};
    return {PlacedDrawing{&stored, r.FirstBar, r.SecondBar, r.FirstPrice, r.SecondPrice, TextAnchor::kBar}, {}};
}

Outcome Place(const StoredDrawing& stored, const BarColumns& bars, const BarWindow& window) {
    switch (stored.request.DrawingType) {
        case kDrawingText: return PlaceText(stored, bars, window);
        case kDrawingLine:
        case kDrawingRectangle:
        case kDrawingEllipse: return PlaceTwoPoints(stored, window);
        default: return {{}, "drawing type " + std::to_string(stored.request.DrawingType) + " not drawn"};
    }
}

}  // namespace

int32_t BarAtOrBefore(const BarColumns& bars, int64_t dateTime) {
    const auto after = std::upper_bound(bars.dateTimes.begin(), bars.dateTimes.end(), dateTime);
    return static_cast<int32_t>(after - bars.dateTimes.begin()) - 1;
}

DrawingPlacement PlaceDrawings(const StudyInstance& study, const BarWindow& window) {
    DrawingPlacement placement;
    for (const StoredDrawing* stored : study.chart().drawings.DrawingsOf(study.studyIdentifier())) {
        Outcome outcome = Place(*stored, study.chart().bars, window);
        if (outcome.placed) {
            placement.placed.push_back(*outcome.placed);
        } else {
            placement.omitted.push_back(OmittedDrawing{stored->request.DrawingId, std::move(outcome.reason)});
        }
    }
    return placement;
}

}  // namespace kovra::host
