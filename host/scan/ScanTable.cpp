// The scan as an aligned table (FormatScanTable in host/scan/ScanFormats.h).
#include <algorithm>
#include <cmath>

#include <fmt/format.h>

#include "host/scan/ScanFormats.h"
#include "host/text/DateTimeText.h"
#include "host/text/DateTimes.h"

namespace kovra::host {

namespace {

constexpr int64_t kMicrosecondsPerMinute = 60 * kMicrosecondsPerSecond;

enum class Align { kLeft, kRight };

struct Column {
    std::string_view header;
    Align align;
};

constexpr Column kColumns[] = {
    {"instrument", Align::kLeft},  {"last bar", Align::kLeft},   {"close", Align::kRight},
    {"8/8th", Align::kRight},      {"0/8th", Align::kRight},     {"eighths", Align::kRight},
    {"nearest", Align::kLeft},     {"line above", Align::kLeft}, {"line below", Align::kLeft},
    {"frame start", Align::kLeft}, {"frame end", Align::kLeft},  {"since change", Align::kRight},
    {"crossed", Align::kLeft},
};
constexpr size_t kColumnCount = std::size(kColumns);

// How much of "YYYY-MM-DD HH:MM:SS" the table's date-times need.
size_t DateTimeLength(const std::vector<ScanRow>& rows) {
    bool midnight = true, wholeMinutes = true;
    const auto see = [&](int64_t microseconds) {
        const int64_t ofDay = (microseconds % kMicrosecondsPerDay + kMicrosecondsPerDay) % kMicrosecondsPerDay;
        midnight = midnight && ofDay == 0;
        wholeMinutes = wholeMinutes && ofDay % kMicrosecondsPerMinute == 0;
    };
    for (const ScanRow& row : rows) {
        if (!row.error.empty()) continue;
        see(row.lastDateTime);
        if (!row.frame) continue;
        see(row.frame->startDateTime);
        if (row.frame->endDateTime) see(*row.frame->endDateTime);
    }
    return midnight ? 10 : wholeMinutes ? 16 : std::string::npos;
}

std::string DateTime(int64_t microseconds, size_t length) {
    fmt::memory_buffer text;
    AppendDateTime(text, microseconds);
    return fmt::to_string(text).substr(0, length);
}

std::string Price(float price, int32_t places) { return fmt::format("{:.{}f}", price, places); }

// "6/8th +1.19 +0.03%": the line, and how far the close must move to reach it.
std::string Neighbour(const std::optional<NeighbourLine>& line, char sign, int32_t places) {
    if (!line) return {};
    std::string text = fmt::format("{} {}{:.{}f}", line->name, sign, line->distance, places);
    if (line->percent) text += fmt::format(" {}{:.2f}%", sign, *line->percent);
    return text;
}

std::vector<std::string> Cells(const ScanRow& row, size_t dateTimeLength) {
    const int32_t places = row.valueFormat;
    std::vector<std::string> cells{row.instrument, DateTime(row.lastDateTime, dateTimeLength),
                                   Price(row.close, places)};
    if (!row.frame) return cells;
    const FramePosition& frame = *row.frame;
    const std::string end = frame.endDateTime
                                ? DateTime(*frame.endDateTime, dateTimeLength)
                                : fmt::format("in {} bar{}", frame.barsToEnd, frame.barsToEnd == 1 ? "" : "s");
    cells.insert(cells.end(),
                 {Price(frame.top, places), Price(frame.bottom, places),
                  frame.eighths ? fmt::format("{:.2f}", *frame.eighths) : std::string(), frame.nearest,
                  Neighbour(frame.above, '+', places), Neighbour(frame.below, '-', places),
                  DateTime(frame.startDateTime, dateTimeLength), end, std::to_string(frame.barsSinceChange),
                  frame.crossed ? CrossedText(*frame.crossed) : std::string()});
    return cells;
}

void AppendLine(std::string& out, const std::vector<std::string>& cells, const std::vector<size_t>& widths) {
    std::string line;
    for (size_t c = 0; c < cells.size(); ++c) {
        if (c > 0) line += "  ";
        const size_t pad = widths[c] - std::min(widths[c], cells[c].size());
        if (kColumns[c].align == Align::kRight) line.append(pad, ' ');
        line += cells[c];
        if (kColumns[c].align == Align::kLeft) line.append(pad, ' ');
    }
    line.erase(line.find_last_not_of(' ') + 1);
    out += line + "\n";
}

}  // namespace

std::string FormatScanTable(const std::vector<ScanRow>& rows) {
    const size_t dateTimeLength = DateTimeLength(rows);
    std::vector<std::vector<std::string>> table;
    std::vector<std::string> headers;
    for (const Column& column : kColumns) headers.emplace_back(column.header);
    table.push_back(headers);
    for (const ScanRow& row : rows)
        table.push_back(row.error.empty() ? Cells(row, dateTimeLength) : std::vector<std::string>{row.instrument});

    std::vector<size_t> widths(kColumnCount, 0);
    for (const std::vector<std::string>& cells : table)
        for (size_t c = 0; c < cells.size(); ++c) widths[c] = std::max(widths[c], cells[c].size());

    std::string out;
    for (size_t r = 0; r < table.size(); ++r) {
        const bool failed = r > 0 && !rows[r - 1].error.empty();
        if (!failed) {
            AppendLine(out, table[r], widths);
            continue;
        }
        out += fmt::format("{:<{}}  error: {}\n", table[r][0], widths[0], rows[r - 1].error);
    }
    return out;
}

}  // namespace kovra::host
