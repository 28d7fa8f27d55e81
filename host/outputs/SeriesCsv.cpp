#include "host/outputs/SeriesCsv.h"

#include <cmath>
#include <string_view>

#include <fmt/format.h>

#include "host/outputs/CsvCell.h"
#include "host/runtime/StudyOutputs.h"
#include "host/text/DateTimeText.h"
#include "host/text/FloatText.h"

namespace kovra::host {
namespace {

// Nine significant digits bring a 32-bit float back exactly; NaN means nothing written.
void AppendValue(fmt::memory_buffer& out, float value) {
    out.push_back(',');
    if (!std::isnan(value)) AppendFloatText(out, value);
}

}  // namespace

void WriteSeriesCsv(const StudyInstance& study, const std::function<void(std::string_view)>& write) {
    constexpr size_t kPiece = size_t{1} << 16;
    fmt::memory_buffer out;
    out.append(std::string_view("bar,datetime,open,high,low,close"));
    const std::span<const int32_t> levelSeries = LevelSeriesSubgraphs();
    for (const int32_t subgraph : levelSeries) {
        out.push_back(',');
        AppendCsvCell(out, SubgraphName(study, subgraph));
    }
    out.append(std::string_view(",upper extreme,lower extreme\n"));

    const BarColumns& bars = study.chart().bars;
    for (int32_t bar = 0; bar < bars.size(); ++bar) {
        const auto at = static_cast<size_t>(bar);
        const fmt::format_int index(bar);
        out.append(index.data(), index.data() + index.size());
        out.push_back(',');
        AppendDateTime(out, bars.dateTimes[at]);
        for (const float price : {bars.open[at], bars.high[at], bars.low[at], bars.close[at]}) AppendValue(out, price);
        for (const int32_t subgraph : levelSeries) AppendValue(out, study.SeriesValue(subgraph, bar));
        AppendValue(out, UpperExtremeAt(study, bar));
        AppendValue(out, LowerExtremeAt(study, bar));
        out.push_back('\n');
        if (out.size() >= kPiece) {
            write(std::string_view(out.data(), out.size()));
            out.clear();
        }
    }
    write(std::string_view(out.data(), out.size()));
}

std::string FormatSeriesCsv(const StudyInstance& study) {
    std::string text;
    WriteSeriesCsv(study, [&text](std::string_view piece) { text.append(piece); });
    return text;
}

}  // namespace kovra::host
