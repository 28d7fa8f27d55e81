#include "host/scan/ScanFields.h"

#include <algorithm>

namespace kovra::host {

namespace {

bool Loaded(const ScanRow& row) { return row.error.empty(); }

// The value of a frame field, nothing without levels.
template <typename Read>
ScanValue FromFrame(const ScanRow& row, Read read) {
    return row.frame ? ScanValue(read(*row.frame)) : ScanValue();
}

template <typename T>
ScanValue Optional(const std::optional<T>& value) {
    return value ? ScanValue(*value) : ScanValue();
}

ScanValue OptionalDateTime(const std::optional<int64_t>& value) {
    return value ? ScanValue(DateTimeValue{*value}) : ScanValue();
}

// A neighbour line's field, nothing when there is no line on that side.
template <typename Read>
ScanValue FromNeighbour(const ScanRow& row, std::optional<NeighbourLine> FramePosition::*side, Read read) {
    if (!row.frame || !((*row.frame).*side)) return {};
    return read(*((*row.frame).*side));
}

ScanValue NameOf(const NeighbourLine& line) { return std::string_view(line.name); }
ScanValue PriceOf(const NeighbourLine& line) { return line.price; }
ScanValue DistanceOf(const NeighbourLine& line) { return line.distance; }
ScanValue PercentOf(const NeighbourLine& line) { return Optional(line.percent); }

const std::vector<ScanField> kFields = {
    {"instrument", [](const ScanRow& row) { return ScanValue(std::string_view(row.instrument)); }},
    {"file", [](const ScanRow& row) { return ScanValue(std::string_view(row.file)); }},
    {"bars", [](const ScanRow& row) { return Loaded(row) ? ScanValue(int64_t{row.bars}) : ScanValue(); }},
    {"datetime",
     [](const ScanRow& row) { return Loaded(row) ? ScanValue(DateTimeValue{row.lastDateTime}) : ScanValue(); }},
    {"close", [](const ScanRow& row) { return Loaded(row) ? ScanValue(row.close) : ScanValue(); }},
    {"top", [](const ScanRow& row) { return FromFrame(row, [](const FramePosition& f) { return f.top; }); }},
    {"bottom", [](const ScanRow& row) { return FromFrame(row, [](const FramePosition& f) { return f.bottom; }); }},
    {"frame_start",
     [](const ScanRow& row) {
         return FromFrame(row, [](const FramePosition& f) { return DateTimeValue{f.startDateTime}; });
     }},
    {"frame_end",
     [](const ScanRow& row) { return row.frame ? OptionalDateTime(row.frame->endDateTime) : ScanValue(); }},
    {"bars_to_frame_end",
     [](const ScanRow& row) { return FromFrame(row, [](const FramePosition& f) { return int64_t{f.barsToEnd}; }); }},
    {"eighths", [](const ScanRow& row) { return row.frame ? Optional(row.frame->eighths) : ScanValue(); }},
    {"nearest",
     [](const ScanRow& row) {
         return FromFrame(row, [](const FramePosition& f) { return std::string_view(f.nearest); });
     }},
    {"above", [](const ScanRow& row) { return FromNeighbour(row, &FramePosition::above, NameOf); }},
    {"above_price", [](const ScanRow& row) { return FromNeighbour(row, &FramePosition::above, PriceOf); }},
    {"above_distance", [](const ScanRow& row) { return FromNeighbour(row, &FramePosition::above, DistanceOf); }},
    {"above_percent", [](const ScanRow& row) { return FromNeighbour(row, &FramePosition::above, PercentOf); }},
    {"below", [](const ScanRow& row) { return FromNeighbour(row, &FramePosition::below, NameOf); }},
    {"below_price", [](const ScanRow& row) { return FromNeighbour(row, &FramePosition::below, PriceOf); }},
    {"below_distance", [](const ScanRow& row) { return FromNeighbour(row, &FramePosition::below, DistanceOf); }},
    {"below_percent", [](const ScanRow& row) { return FromNeighbour(row, &FramePosition::below, PercentOf); }},
    {"bars_since_change",
     [](const ScanRow& row) {
         return FromFrame(row, [](const FramePosition& f) { return int64_t{f.barsSinceChange}; });
     }},
    {"crossed",
     [](const ScanRow& row) {
         return row.frame && row.frame->crossed ? ScanValue(&*row.frame->crossed) : ScanValue();
     }},
    {"error", [](const ScanRow& row) { return Loaded(row) ? ScanValue() : ScanValue(std::string_view(row.error)); }},
};

// A crossing orders by its direction, then by the lines in the order crossed.
bool Less(const LastCrossing* a, const LastCrossing* b) {
    return std::pair(a->direction, a->lines) < std::pair(b->direction, b->lines);
}
bool Less(DateTimeValue a, DateTimeValue b) { return a.microseconds < b.microseconds; }
template <typename T>
bool Less(const T& a, const T& b) {
    return a < b;
}

// Two values of one field; both hold a value of the same kind.
bool ValueLess(const ScanValue& a, const ScanValue& b) {
    return std::visit(
        [&b](const auto& left) {
            using Kind = std::decay_t<decltype(left)>;
            if constexpr (std::is_same_v<Kind, std::monostate>)
                return false;
            else
                return Less(left, std::get<Kind>(b));
        },
        a);
}

}  // namespace

const std::vector<ScanField>& ScanFields() { return kFields; }

const ScanField* FindScanField(std::string_view name) {
    const auto found =
        std::find_if(kFields.begin(), kFields.end(), [name](const ScanField& field) { return field.name == name; });
    return found == kFields.end() ? nullptr : &*found;
}

void SortScanRows(std::vector<ScanRow>& rows, const ScanField& field, bool descending) {
    std::stable_sort(rows.begin(), rows.end(), [&field, descending](const ScanRow& a, const ScanRow& b) {
        const ScanValue left = field.valueOf(a), right = field.valueOf(b);
        const bool leftEmpty = std::holds_alternative<std::monostate>(left);
        const bool rightEmpty = std::holds_alternative<std::monostate>(right);
        if (leftEmpty || rightEmpty) return !leftEmpty && rightEmpty;
        return descending ? ValueLess(right, left) : ValueLess(left, right);
    });
}

}  // namespace kovra::host
