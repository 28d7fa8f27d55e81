#include "host/serve/StateJson.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <type_traits>

#include "host/render/ChartLayout.h"
#include "host/render/ChartTitle.h"
#include "host/render/DrawingPlacement.h"
#include "host/render/PictureLimits.h"
#include "host/render/PictureLook.h"
#include "host/render/SeriesPlacement.h"
#include "host/runtime/HostTextOperations.h"
#include "host/runtime/StudyOutputs.h"
#include "host/serve/JsonWriter.h"
#include "host/text/DateTimeText.h"
#include "host/text/DateTimes.h"

namespace kovra::host {

namespace {

// The page may scroll anywhere: every drawing with its data given is placed.
constexpr BarWindow kWholeChart{std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()};

const char* AlignName(HorizontalAlign align) {
    return align == HorizontalAlign::kLeft ? "left" : align == HorizontalAlign::kCentre ? "centre" : "right";
}
const char* AlignName(VerticalAlign align) {
    return align == VerticalAlign::kTop ? "top" : align == VerticalAlign::kCentre ? "centre" : "bottom";
}
const char* AnchorName(TextAnchor anchor) {
    return anchor == TextAnchor::kBar ? "bar" : anchor == TextAnchor::kLeftEdge ? "leftEdge" : "rightEdge";
}
const char* LayerName(DrawingLayer layer) { return layer == DrawingLayer::kBeneathBars ? "beneath" : "above"; }

void WriteStroke(JsonWriter& out, const Stroke& stroke) {
    out.BeginObject();
    out.Key("colour").Colour(stroke.colour);
    out.Key("width").Number(stroke.width);
    out.Key("dash").BeginArray();  // in line widths
    for (const double length : DashPattern(stroke.style)) out.Number(length);
    out.EndArray();
    out.EndObject();
}

void WriteLook(JsonWriter& out, const LineLook& look) {
    out.Key("kind").String("line");
    out.Key("pen");
    WriteStroke(out, look.pen);
}

void WriteLook(JsonWriter& out, const ShapeLook& look) {
    out.Key("kind").String(look.ellipse ? "ellipse" : "rectangle");
    out.Key("border");
    if (look.hasBorder)
        WriteStroke(out, look.border);
    else
        out.Null();
    out.Key("fill").Colour(look.fillColour);
    out.Key("fillAlpha").Number(look.fillAlpha);
}

void WriteLook(JsonWriter& out, const TextLook& look) {
    out.Key("kind").String("text");
    out.Key("lines").BeginArray();
    for (const std::string& line : look.lines) out.String(line);
    out.EndArray();
    out.Key("colour").Colour(look.colour);
    out.Key("fontPixels").Number(look.fontPixels);
    out.Key("horizontal").String(AlignName(look.horizontal));
    out.Key("vertical").String(AlignName(look.vertical));
    out.Key("anchor").String(AnchorName(look.anchor));
    out.Key("halo").BeginObject();
    out.Key("colour").Colour(look.halo.colour);
    out.Key("width").Number(look.halo.width);
    out.EndObject();
}

void WriteDrawings(JsonWriter& out, const StudyInstance& study) {
    const DrawingPlacement placement = PlaceDrawings(study, kWholeChart);
    out.Key("drawings").BeginArray();
    for (const PlacedDrawing& placed : placement.placed) {
        out.BeginObject();
        out.Key("id").Integer(placed.drawingId);
        out.Key("type").Integer(placed.drawingType);
        out.Key("firstBar").Integer(placed.firstBar);
        out.Key("secondBar").Integer(placed.secondBar);
        out.Key("firstPrice").Price(placed.firstPrice);
        out.Key("secondPrice").Price(placed.secondPrice);
        out.Key("layer").String(LayerName(LayerOf(placed)));
        std::visit([&out](const auto& look) { WriteLook(out, look); }, placed.look);
        out.EndObject();
    }
    out.EndArray();
    out.Key("omitted").BeginArray();
    for (const OmittedDrawing& omitted : placement.omitted) {
        out.BeginObject();
        out.Key("id").Integer(omitted.drawingId);
        out.Key("reason").String(omitted.reason);
        out.EndObject();
    }
    out.EndArray();
}

bool SameValue(float a, float b) { return a == b || (std::isnan(a) && std::isnan(b)); }

template <typename Column>
void WriteColumn(JsonWriter& out, const char* name, const Column& column, int32_t from) {
    out.Key(name).BeginArray();
    for (size_t i = static_cast<size_t>(from); i < column.size(); ++i) {
        if constexpr (std::is_same_v<typename Column::value_type, float>) {
            out.Price(column[i]);
        } else {
            out.Number(UnixSecondsOf(column[i]));
        }
    }
    out.EndArray();
}

// The date-times as `kovra run` writes them, so the page shows no other form.
void WriteDateTimeTexts(JsonWriter& out, const BarColumns& bars, int32_t from) {
    out.Key("dateTime").BeginArray();
    fmt::memory_buffer text;
    for (int32_t bar = from; bar < bars.size(); ++bar) {
        text.clear();
        AppendDateTime(text, bars.dateTimes[static_cast<size_t>(bar)]);
        out.String(std::string_view(text.data(), text.size()));
    }
    out.EndArray();
}

void WriteBars(JsonWriter& out, const BarColumns& bars, int32_t from) {
    out.Key("bars").BeginObject();
    WriteColumn(out, "time", bars.dateTimes, from);
    WriteDateTimeTexts(out, bars, from);
    WriteColumn(out, "open", bars.open, from);
    WriteColumn(out, "high", bars.high, from);
    WriteColumn(out, "low", bars.low, from);
    WriteColumn(out, "close", bars.close, from);
    out.EndObject();
}

void WriteSeries(JsonWriter& out, const StudyInstance& study, int32_t from) {
    out.Key("dashShare").Number(kSeriesDashShare);
    out.Key("series").BeginArray();
    const int32_t count = study.chart().bars.size();
    for (const PlacedSeries& series : PlaceLevelSeries(study)) {
        out.BeginObject();
        out.Key("subgraph").Integer(series.subgraph);
        out.Key("name").String(TextView(study.subgraphs()[static_cast<size_t>(series.subgraph)].Name));
        out.Key("shown").Bool(series.shown);
        out.Key("joined").Bool(series.joined);
        out.Key("pen");
        WriteStroke(out, series.stroke);
        // Levels hold for many bars at a time: runs keep the text short.
        out.Key("values").BeginArray();
        for (int32_t bar = from; bar < count;) {
            const float value = study.SeriesValue(series.subgraph, bar);
            int32_t run = 1;
            while (bar + run < count && SameValue(study.SeriesValue(series.subgraph, bar + run), value)) ++run;
            out.Price(value).Integer(run);
            bar += run;
        }
        out.EndArray();
        out.EndObject();
    }
    out.EndArray();
}

void WriteButtons(JsonWriter& out, const ControlBar& controlBar) {
    out.Key("buttons").BeginArray();
    for (int32_t number = 1; number <= StudyButtonCount(); ++number) {
        const ControlBarButton& button = controlBar.buttons()[static_cast<size_t>(number)];
        out.BeginObject();
        out.Key("number").Integer(number);
        out.Key("label").String(TextView(button.Label));
        out.Key("hover").String(TextView(button.Hover));
        out.Key("pushed").Bool(button.Pushed != 0);
        out.EndObject();
    }
    out.EndArray();
}

// Each declared input with the choices the settings dialog offers, as the
// settings request names them ("yes"/"no" for a yes/no input).
void WriteInputs(JsonWriter& out, const StudyInstance& study) {
    out.Key("inputs").BeginArray();
    for (size_t position = 0; position < study.inputs().size(); ++position) {
        const StudyInput& input = study.inputs()[position];
        if (input.TypeCode == kInputTypeNotDeclared || input.Name.Length <= 0) continue;
        const bool yesNo = input.TypeCode == kInputTypeYesNo;
        out.BeginObject();
        out.Key("position").Integer(static_cast<int64_t>(position));
        out.Key("name").String(TextView(input.Name));
        out.Key("items").BeginArray();
        if (yesNo) {
            out.String("yes").String("no");
        } else {
            for (const std::string& item : study.ListItemsOf(static_cast<int32_t>(position))) out.String(item);
        }
        out.EndArray();
        out.Key("value").String(yesNo ? (input.Value != 0 ? "yes" : "no")
                                      : study.SelectedTextOf(static_cast<int32_t>(position)));
        out.EndObject();
    }
    out.EndArray();
}

void WriteSubgraphs(JsonWriter& out, const StudyInstance& study) {
    out.Key("subgraphs").BeginArray();
    for (size_t position = 0; position < study.subgraphs().size(); ++position) {
        const StudySubgraph& subgraph = study.subgraphs()[position];
        if (subgraph.Name.Length <= 0) continue;
        out.BeginObject();
        out.Key("position").Integer(static_cast<int64_t>(position));
        out.Key("name").String(TextView(subgraph.Name));
        out.Key("colour").Colour(ColourOf(subgraph.PrimaryColour));
        out.EndObject();
    }
    out.EndArray();
}

// The picture's colours, metrics and limits, for the page to look and
// behave as the picture does.
void WritePictureLook(JsonWriter& out, const StudyInstance& study) {
    out.Key("look").BeginObject();
    out.Key("font").String(kChartFontFamily);
    out.Key("colours").BeginObject();
    out.Key("background").Colour(ColourOf(study.chart().backgroundColour));
    out.Key("text").Colour(palette::kText);
    out.Key("mutedText").Colour(palette::kMutedText);
    out.Key("grid").Colour(palette::kGrid);
    out.Key("axisLine").Colour(palette::kAxisLine);
    out.Key("panel").Colour(palette::kPanel);
    out.Key("upCandle").Colour(palette::kUpCandle);
    out.Key("downCandle").Colour(palette::kDownCandle);
    out.Key("buttonFace").Colour(palette::kButtonFace);
    out.Key("buttonBorder").Colour(palette::kButtonBorder);
    out.Key("pushedFace").Colour(palette::kPushedFace);
    out.Key("pushedBorder").Colour(palette::kPushedBorder);
    out.EndObject();
    out.Key("axes").BeginObject();
    out.Key("fontPixels").Number(axes::kFontPixels);
    out.Key("tickLength").Number(axes::kTickLength);
    out.Key("timeAxisHeight").Number(axes::kTimeAxisHeight);
    out.Key("timeTextGap").Number(axes::kTimeTextGap);
    out.Key("timeTextMargin").Number(axes::kTimeTextMargin);
    out.EndObject();
    out.Key("controlBar").BeginObject();
    out.Key("buttonGap").Number(control_bar::kButtonGap);
    out.Key("buttonFontPixels").Number(control_bar::kButtonFontPixels);
    out.Key("titleFontPixels").Number(control_bar::kTitleFontPixels);
    out.EndObject();
    out.Key("limits").BeginObject();
    out.Key("minWidth").Integer(kMinImageWidth);
    out.Key("minHeight").Integer(kMinImageHeight);
    out.Key("maxSide").Integer(kMaxImageSide);
    out.Key("maxPixels").Integer(kMaxPicturePixels);
    out.Key("maxWindowSlots").Integer(kMaxWindowSlots);
    out.EndObject();
    out.EndObject();
}

}  // namespace

std::string FormatTimeMarksJson(const std::vector<TimeMark>& marks) {
    JsonWriter out;
    out.BeginArray();
    for (const TimeMark& mark : marks) {
        out.BeginObject();
        out.Key("bar").Integer(mark.bar);
        out.Key("text").String(mark.text);
        out.Key("under").String(mark.under);
        out.EndObject();
    }
    out.EndArray();
    return out.Take();
}

int32_t FirstHeldBar(const StudyInstance& study, const HeldBars& held) {
    if (!held.count) return 0;
    const auto& times = study.chart().bars.dateTimes;
    auto before = times.end();
    if (held.untilSeconds) {
        // Clamped so the microseconds fit: any second outside is before or after every bar.
        constexpr int64_t kReach = std::numeric_limits<int64_t>::max() / kMicrosecondsPerSecond / 2;
        const int64_t until =
            std::clamp(*held.untilSeconds, -kReach, kReach) * kMicrosecondsPerSecond + kUnixEpochMicroseconds;
        before = std::lower_bound(times.begin(), times.end(), until);
    }
    const int64_t first = std::max<int64_t>(0, (before - times.begin()) - int64_t{*held.count});
    return std::min(static_cast<int32_t>(first), std::max(0, ChooseBarWindow(study, 0).firstBar));
}

double UnixSecondsOf(int64_t microsecondsSince18991230) {
    return static_cast<double>(microsecondsSince18991230 - kUnixEpochMicroseconds) / 1e6;
}

std::string FormatStateJson(const StudyInstance& study, const StateHeader& header) {
    const BarColumns& bars = study.chart().bars;
    JsonWriter out;
    out.BeginObject();
    out.Key("instance").String(header.instance);
    out.Key("version").Integer(static_cast<int64_t>(header.version));
    const int32_t barsFrom = std::clamp(header.barsFrom, 0, bars.size());
    const int32_t seriesFrom = std::clamp(header.seriesFrom, 0, bars.size());
    out.Key("barsFrom").Integer(barsFrom);
    out.Key("seriesFrom").Integer(seriesFrom);
    out.Key("barCount").Integer(bars.size());
    out.Key("title").String(ChartTitle(study));
    out.Key("studyName").String(TextView(study.record().StudyName));
    out.Key("valueFormat").Integer(PriceDecimalsOf(study.record().ValueFormat));
    out.Key("frame").BeginObject();
    const FrameWindow frame = FrameWindowOf(study);
    out.Key("start").Integer(frame.start);
    out.Key("end").Integer(frame.end);
    out.Key("lastDrawn").Integer(frame.lastDrawn);
    out.EndObject();
    const BarWindow window = ChooseBarWindow(study, 0);
    out.Key("window").BeginObject();
    out.Key("firstBar").Integer(window.firstBar);
    out.Key("lastBar").Integer(window.lastBar);
    out.EndObject();
    out.Key("replay").BeginObject();
    out.Key("playing").Bool(header.replay.playing);
    out.Key("speed").Number(header.replay.speed);
    out.Key("shownBars").Integer(header.replay.shownBars);
    out.Key("knownBars").Integer(header.replay.knownBars);
    out.EndObject();
    out.Key("timeframe").String(header.timeframe);
    if (header.withLook) {
        WritePictureLook(out, study);
        out.Key("timeframes").BeginArray();
        out.BeginObject().Key("name").String(kAsInTheFile).Key("label").String(kAsInTheFileLabel).EndObject();
        for (std::string_view offered : kOfferedTimeframes)
            out.BeginObject().Key("name").String(offered).Key("label").String(offered).EndObject();
        out.EndArray();
    }
    WriteButtons(out, study.chart().controlBar);
    WriteInputs(out, study);
    WriteSubgraphs(out, study);
    if (header.withDrawings) WriteDrawings(out, study);
    WriteBars(out, bars, barsFrom);
    WriteSeries(out, study, seriesFrom);
    out.EndObject();
    return out.Take();
}

}  // namespace kovra::host
