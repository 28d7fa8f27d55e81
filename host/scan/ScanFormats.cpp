#include "host/scan/ScanFormats.h"

#include <nlohmann/json.hpp>

#include "host/outputs/CsvCell.h"
#include "host/scan/ScanFields.h"
#include "host/text/DateTimeText.h"
#include "host/text/FloatText.h"

namespace kovra::host {

namespace {

using json = nlohmann::ordered_json;

void AppendCsvValue(fmt::memory_buffer& out, const ScanValue& value) {
    std::visit(
        [&out](const auto& held) {
            using Kind = std::decay_t<decltype(held)>;
            if constexpr (std::is_same_v<Kind, std::string_view>)
                AppendCsvCell(out, held);
            else if constexpr (std::is_same_v<Kind, int64_t> || std::is_same_v<Kind, double>)
                fmt::format_to(std::back_inserter(out), "{}", held);
            else if constexpr (std::is_same_v<Kind, float>)
                AppendFloatText(out, held);
            else if constexpr (std::is_same_v<Kind, DateTimeValue>)
                AppendDateTime(out, held.microseconds);
            else if constexpr (std::is_same_v<Kind, const LastCrossing*>)
                AppendCsvCell(out, CrossedText(*held));
        },
        value);
}

json JsonValue(const ScanValue& value) {
    return std::visit(
        [](const auto& held) -> json {
            using Kind = std::decay_t<decltype(held)>;
            if constexpr (std::is_same_v<Kind, std::monostate>)
                return nullptr;
            else if constexpr (std::is_same_v<Kind, std::string_view>)
                return std::string(held);
            else if constexpr (std::is_same_v<Kind, float>)
                return static_cast<double>(held);
            else if constexpr (std::is_same_v<Kind, DateTimeValue>) {
                fmt::memory_buffer text;
                AppendDateTime(text, held.microseconds);
                return fmt::to_string(text);
            } else if constexpr (std::is_same_v<Kind, const LastCrossing*>)
                return json{{"direction", DirectionText(held->direction)}, {"lines", held->lines}};
            else
                return held;
        },
        value);
}

}  // namespace

std::string FormatScanCsv(const std::vector<ScanRow>& rows) {
    fmt::memory_buffer out;
    const std::vector<ScanField>& fields = ScanFields();
    for (size_t i = 0; i < fields.size(); ++i) {
        if (i > 0) out.push_back(',');
        out.append(fields[i].name);
    }
    out.push_back('\n');
    for (const ScanRow& row : rows) {
        for (size_t i = 0; i < fields.size(); ++i) {
            if (i > 0) out.push_back(',');
            AppendCsvValue(out, fields[i].valueOf(row));
        }
        out.push_back('\n');
    }
    return fmt::to_string(out);
}

std::string FormatScanRowJson(const ScanRow& row) {
    json object = json::object();
    for (const ScanField& field : ScanFields()) object[std::string(field.name)] = JsonValue(field.valueOf(row));
    // File names and error texts need not be UTF-8; such bytes become U+FFFD.
    return object.dump(-1, ' ', false, json::error_handler_t::replace);
}

std::string FormatScanJson(const std::vector<ScanRow>& rows) {
    std::string out = "[";
    for (size_t r = 0; r < rows.size(); ++r) {
        out += r == 0 ? "\n  " : ",\n  ";
        out += FormatScanRowJson(rows[r]);
    }
    out += rows.empty() ? "]\n" : "\n]\n";
    return out;
}

}  // namespace kovra::host
