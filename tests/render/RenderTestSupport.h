// Charts for the picture tests: the real study declared on generated bars,
// drawings submitted by hand, and look-ups into a display list.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>
#include <variant>
#include <vector>

#include "host/render/ChartImage.h"
#include "host/runtime/StudyInstance.h"
#include "host/runtime/StudyLibrary.h"
#include "host/text/DateTimes.h"

namespace render_test {

using namespace kovra::host;

inline const StudyLibrary& Library() {
    static const StudyLibrary library(std::getenv("KOVRA_STUDY_LIBRARY"));
    return library;
}

inline constexpr int32_t kStudyId = 1;
inline constexpr int64_t kMinute = 60 * kMicrosecondsPerSecond;
// 2024-03-15 09:30, the first generated bar.
inline const int64_t kFirstBarTime = DaysSince18991230({2024, 3, 15}) * kMicrosecondsPerDay + 570 * kMinute;

// The study declared (defaults call only) on `barCount` one-minute bars
// waving between about 96.5 and 103.5.
struct TestChart {
    Chart chart;
    StudyInstance study;

    explicit TestChart(int32_t barCount) : study(chart, Library().studyFunction(), kStudyId) {
        for (int32_t i = 0; i < barCount; ++i) {
            const double middle = 100 + 3 * std::sin(i / 7.0);
            const float open = static_cast<float>(middle - 0.4 * std::cos(i)),
                        close = static_cast<float>(middle + 0.4 * std::cos(i));
            chart.bars.Append(kFirstBarTime + i * kMinute, open, std::max(open, close) + 0.25f,
                              std::min(open, close) - 0.25f, close);
        }
        study.CallDefaults();
    }

    void SetFrame(int32_t start, int32_t end) {
        *study.record().PersistentInteger(&study.record(), 1) = start;
        *study.record().PersistentInteger(&study.record(), 2) = end;
    }

    void Submit(DrawingRequest request, const std::string& text = {}) {
        request.DrawingText = HostText{const_cast<char*>(text.c_str()), static_cast<int32_t>(text.size()),
                                       static_cast<int32_t>(text.size())};
        chart.drawings.Submit(kStudyId, request);
    }

    // Gives subgraph `subgraph` a series holding `values` from bar 0 on (NaN: no value).
    void SetSeries(int32_t subgraph, const std::vector<float>& values) {
        StudySubgraph& settings = study.subgraphs()[static_cast<size_t>(subgraph)];
        study.record().FetchArray(&study.record(), settings.Series.FetchKey);
        for (size_t bar = 0; bar < values.size(); ++bar) settings.Series.Data[bar] = values[bar];
    }
};

inline DrawingRequest Line(int32_t id, int32_t firstBar, float firstPrice, int32_t secondBar, float secondPrice) {
    DrawingRequest r;
    r.DrawingId = id;
    r.DrawingType = 1;
    r.FirstBar = firstBar;
    r.SecondBar = secondBar;
    r.FirstPrice = firstPrice;
    r.SecondPrice = secondPrice;
    r.LineColour = 0x00000080;
    r.PenWidth = 1;
    r.PenStyle = 0;
    return r;
}

inline DrawingRequest Text(int32_t id, float price, int32_t alignment) {
    DrawingRequest r;
    r.DrawingId = id;
    r.DrawingType = 6;
    r.FirstPrice = price;
    r.TextAlignment = alignment;
    r.LineColour = 0x00336699;
    r.FontSize = 9;
    return r;
}

inline std::vector<const Primitive*> PrimitivesOf(const DisplayList& list, PrimitiveKind kind, int32_t index) {
    std::vector<const Primitive*> found;
    for (const Primitive& primitive : list.primitives) {
        if (primitive.kind == kind && primitive.index == index) found.push_back(&primitive);
    }
    return found;
}

// The one primitive of a drawing; fails the test when there is not exactly one.
template <typename Shape>
const Shape* DrawingShape(const DisplayList& list, int32_t drawingId) {
    const std::vector<const Primitive*> found = PrimitivesOf(list, PrimitiveKind::kDrawing, drawingId);
    if (found.size() != 1 || !std::holds_alternative<Shape>(found.front()->shape)) {
        ADD_FAILURE() << "drawing " << drawingId << " has " << found.size() << " primitives of other shape";
        return nullptr;
    }
    return &std::get<Shape>(found.front()->shape);
}

}  // namespace render_test
