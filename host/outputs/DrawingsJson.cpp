#include "host/outputs/DrawingsJson.h"

#include <cmath>
#include <string>

#include <nlohmann/json.hpp>

#include "host/runtime/StudyOutputs.h"

namespace kovra::host {

namespace {

using json = nlohmann::ordered_json;

json IntegerOrNull(int64_t value) { return value == kNotGivenInteger ? json(nullptr) : json(value); }

json PriceOrNull(float price) {
    return price == kNotGivenPrice || !std::isfinite(price) ? json(nullptr) : json(static_cast<double>(price));
}

json ColourOrNull(uint32_t colour) { return colour == kNotGivenColour ? json(nullptr) : json(colour); }

json DrawingObject(const StoredDrawing& drawing) {
    const DrawingRequest r = drawing.request();
    return json{
        {"DrawingId", IntegerOrNull(r.DrawingId)},
        {"DrawingType", IntegerOrNull(r.DrawingType)},
        {"FirstBar", IntegerOrNull(r.FirstBar)},
        {"SecondBar", IntegerOrNull(r.SecondBar)},
        {"FirstPrice", PriceOrNull(r.FirstPrice)},
        {"SecondPrice", PriceOrNull(r.SecondPrice)},
        {"FirstDateTime", IntegerOrNull(r.FirstDateTime)},
        {"LineColour", ColourOrNull(r.LineColour)},
        {"FillColour", ColourOrNull(r.FillColour)},
        {"FillTransparency", IntegerOrNull(r.FillTransparency)},
        {"PenWidth", IntegerOrNull(r.PenWidth)},
        {"PenStyle", IntegerOrNull(r.PenStyle)},
        {"DrawingText", drawing.text.empty() ? json(nullptr) : json(drawing.text)},
        {"FontSize", IntegerOrNull(r.FontSize)},
        {"TextAlignment", IntegerOrNull(r.TextAlignment)},
        {"TextOptionA", IntegerOrNull(r.TextOptionA)},
        {"TextOptionB", IntegerOrNull(r.TextOptionB)},
        {"TextFlag", IntegerOrNull(r.TextFlag)},
        {"RequestMode", IntegerOrNull(r.RequestMode)},
        {"TargetChart", r.TargetChart},
    };
}

}  // namespace

std::string FormatDrawingsJson(const ChartSession& session) {
    const StudyInstance& study = session.study();
    const int32_t lastBar = session.chart().bars.size() - 1;
    const FrameWindow window = FrameWindowOf(study);
    json drawings = json::array();
    for (const StoredDrawing* drawing : session.chart().drawings.DrawingsOf(study.studyIdentifier()))
        drawings.push_back(DrawingObject(*drawing));
    const json document{
        {"StudyIdentifier", study.studyIdentifier()},
        {"Passes", session.drawingPasses()},
        {"PersistentIntegers", {{"1", window.start}, {"2", window.end}, {"3", window.lastDrawn}}},
        {"LastBar", lastBar >= 0 ? json(lastBar) : json(nullptr)},
        {"LastBarTop", PriceOrNull(EightEighthsAt(study, lastBar))},
        {"LastBarBottom", PriceOrNull(ZeroEighthsAt(study, lastBar))},
        {"Drawings", std::move(drawings)},
    };
    return document.dump(2) + "\n";
}

}  // namespace kovra::host
