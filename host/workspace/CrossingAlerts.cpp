#include "host/workspace/CrossingAlerts.h"

#include <algorithm>

#include <fmt/format.h>
#include <nlohmann/json.hpp>

#include "host/text/DateTimeText.h"
#include "host/text/FloatText.h"

namespace kovra::host {

bool AlertLines::Includes(std::string_view line) const {
    return every || std::find(names.begin(), names.end(), line) != names.end();
}

std::vector<CrossingAlerts::Crossed> CrossingAlerts::CrossedNow(const std::vector<LevelCrossing>& crossings) {
    std::vector<Crossed> crossed;
    crossed.reserve(crossings.size());
    for (const LevelCrossing& crossing : crossings) crossed.emplace_back(crossing.line.subgraph, crossing.direction);
    return crossed;
}

void CrossingAlerts::Baseline(const StudyInstance& study) {
    const BarColumns& bars = study.chart().bars;
    bar_ = bars.size() - 1;
    barDateTime_ = bars.size() > 0 ? bars.dateTimes.back() : 0;
    crossed_ = CrossedNow(CrossingsAt(study, bar_));
}

std::vector<Alert> CrossingAlerts::Update(const StudyInstance& study, const std::string& instrument,
                                          const AlertLines& lines) {
    const BarColumns& bars = study.chart().bars;
    const int32_t last = bars.size() - 1;
    if (last < 0) return {};
    const bool sameBar = last == bar_ && bars.dateTimes.back() == barDateTime_;
    if (!sameBar) crossed_.clear();
    bar_ = last;
    barDateTime_ = bars.dateTimes.back();

    const std::vector<LevelCrossing> crossings = CrossingsAt(study, last);
    std::vector<Alert> alerts;
    for (const LevelCrossing& crossing : crossings) {
        const Crossed key{crossing.line.subgraph, crossing.direction};
        const bool already = std::find(crossed_.begin(), crossed_.end(), key) != crossed_.end();
        if (already || !lines.Includes(crossing.line.name)) continue;
        alerts.push_back({0, instrument, barDateTime_, std::string(crossing.line.name), crossing.line.price,
                          crossing.direction, crossing.closeBefore, crossing.closeAfter});
    }
    crossed_ = CrossedNow(crossings);
    return alerts;
}

namespace {

std::string JsonText(const std::string& text) {
    return nlohmann::json(text).dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

void AppendPrice(fmt::memory_buffer& out, const char* key, float value) {
    fmt::format_to(std::back_inserter(out), ",\"{}\":", key);
    AppendFloatText(out, value);
}

}  // namespace

std::string AlertJsonLine(const Alert& alert) {
    fmt::memory_buffer out;
    fmt::format_to(std::back_inserter(out), "{{\"event\":{},\"instrument\":{},\"datetime\":\"{}\",\"line\":{}",
                   alert.event, JsonText(alert.instrument), FormatDateTime(alert.dateTime), JsonText(alert.line));
    AppendPrice(out, "price", alert.price);
    fmt::format_to(std::back_inserter(out), ",\"direction\":\"{}\"", DirectionText(alert.direction));
    AppendPrice(out, "close_before", alert.closeBefore);
    AppendPrice(out, "close_after", alert.closeAfter);
    out.append(std::string_view("}\n"));
    return fmt::to_string(out);
}

}  // namespace kovra::host
