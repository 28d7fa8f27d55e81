#include "host/check/RecordRules.h"

#include <algorithm>
#include <cmath>
#include <initializer_list>

#include <fmt/format.h>

namespace kovra::host {

namespace {

bool OneOf(int64_t value, std::initializer_list<int64_t> allowed) {
    return std::find(allowed.begin(), allowed.end(), value) != allowed.end();
}

bool PriceGiven(float price) { return price != kNotGivenPrice; }

}  // namespace

CallTraces TracesOf(const StudyInstance& study) {
    const DrawingStore& drawings = study.chart().drawings;
    return {std::map<int32_t, int32_t>(study.persistentIntegers().begin(), study.persistentIntegers().end()),
            drawings.ClearsOf(study.studyIdentifier()), drawings.SubmissionsOf(study.studyIdentifier())};
}

std::string DefaultsCallSideEffect(const CallTraces& before, const StudyInstance& study) {
    const CallTraces after = TracesOf(study);
    if (after.persistent != before.persistent) return "the defaults call touched a persistent integer";
    if (after.drawingClears != before.drawingClears || after.drawingSubmissions != before.drawingSubmissions)
        return "the defaults call cleared or submitted drawings";
    if (study.record().RecalculationRequested != 0) return "the defaults call asked for a recalculation";
    return {};
}

std::string DrawingRequestFault(const DrawingRequest& request) {
    if (!OneOf(request.DrawingType, {kDrawingLine, kDrawingText, kDrawingRectangle, kDrawingEllipse}))
        return fmt::format("has an unknown type {}", request.DrawingType);
    for (const float price : {request.FirstPrice, request.SecondPrice})
        if (PriceGiven(price) && !std::isfinite(price))
            return fmt::format("has price {} / {}", request.FirstPrice, request.SecondPrice);
    return {};
}

std::string DrawingStyleFault(const DrawingRequest& request) {
    if (OneOf(request.PenStyle, {kNotGivenInteger, kLineStyleSolid, kLineStyleDash, kLineStyleDot, kLineStyleDashDot,
                                 kLineStyleDashDotDot}))
        return {};
    return fmt::format("has an unknown pen style {}", request.PenStyle);
}

std::string DrawingReachFault(const DrawingRequest& request, int32_t barCount) {
    const int64_t last = int64_t{barCount} - 1 + kBarsBeyondLastBar;
    for (const int32_t bar : {request.FirstBar, request.SecondBar})
        if (bar != kNotGivenInteger && (bar < 0 || bar > last))
            return fmt::format("is at bar {}, out of reach of a chart of {} bars", bar, barCount);
    return {};
}

int32_t FirstButtonWithTexts(const ControlBar& controlBar, int32_t first, int32_t last) {
    const auto& buttons = controlBar.buttons();
    for (int32_t n = std::max(first, 0); n <= last && static_cast<size_t>(n) < buttons.size(); ++n) {
        const ControlBarButton& button = buttons[static_cast<size_t>(n)];
        if (button.Label.Length != 0 || button.Hover.Length != 0) return n;
    }
    return 0;
}

}  // namespace kovra::host
