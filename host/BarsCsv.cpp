#include "host/BarsCsv.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstring>
#include <cstdio>
#include <limits>
#include <memory>
#include <vector>

#include <fmt/format.h>

#include "host/DateTimeText.h"
#include "host/SeriesCsv.h"

namespace kovra::host {
namespace {

enum Field { kDateTime, kDate, kTime, kOpen, kHigh, kLow, kClose, kVolume, kFieldCount };
constexpr std::array<std::string_view, kFieldCount> kFieldNames = {"datetime", "date", "time", "open",
                                                                    "high", "low", "close", "volume"};
constexpr int32_t kAbsent = -1;
constexpr int32_t kMaxDecimals = 9;

std::string_view Trim(std::string_view text) {
    const size_t first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) return {};
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

// A cell as messages show it: control bytes escaped, long texts cut.
std::string Shown(std::string_view text) {
    constexpr size_t kMaxShown = 40;
    std::string shown;
    for (const char c : text.substr(0, kMaxShown)) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F) shown += fmt::format("\\x{:02X}", byte);
        else shown += c;
    }
    if (text.size() > kMaxShown) shown += "...";
    return shown;
}

// Which cell holds each field, and the header's own name for every cell.
struct Layout {
    std::array<int32_t, kFieldCount> cellOf{};
    std::vector<std::string> headerNames;
    char separator = ',';
};

class Parser {
public:
    Parser(std::string_view text, const std::string& sourceName) : text_(text), source_(sourceName) {}

    LoadedBars Run() {
        if (text_.substr(0, 3) == "\xEF\xBB\xBF") text_.remove_prefix(3);
        std::string_view header;
        if (!NextLine(header)) Fail(1, 1, "the file is empty; expected a header row naming the columns");
        ReadHeader(header);
        const int64_t headerLine = lineNumber_;
        std::string_view line;
        while (NextLine(line)) ReadBar(line);
        if (result_.bars.dateTimes.empty()) Fail(headerLine, 1, "no bars after the header row");
        return std::move(result_);
    }

private:
    [[noreturn]] void Fail(int64_t line, int64_t column, std::string_view message) const {
        throw BarsLoadError(fmt::format("{}:{}:{}: {}", source_, line, column, message));
    }
    [[noreturn]] void FailCell(int32_t cell, std::string_view message) const {
        Fail(lineNumber_, cell + 1,
             fmt::format("{} (column \"{}\")", message, Shown(layout_.headerNames[static_cast<size_t>(cell)])));
    }

    // The next line that is not blank, without its line end.
    bool NextLine(std::string_view& line) {
        while (!text_.empty()) {
            const size_t end = std::min(text_.find('\n'), text_.size());
            line = text_.substr(0, end);
            text_.remove_prefix(std::min(end + 1, text_.size()));
            ++lineNumber_;
            if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
            if (!Trim(line).empty()) return true;
        }
        return false;
    }

    void SplitCells(std::string_view line) {
        cells_.clear();
        for (;;) {
            const size_t end = line.find(layout_.separator);
            cells_.push_back(Trim(line.substr(0, end)));
            if (end == std::string_view::npos) return;
            line.remove_prefix(end + 1);
        }
    }

    void ReadHeader(std::string_view line) {
        layout_.separator = line.find(';') != std::string_view::npos ? ';' : ',';
        layout_.cellOf.fill(kAbsent);
        SplitCells(line);
        for (size_t cell = 0; cell < cells_.size(); ++cell) {
            layout_.headerNames.emplace_back(cells_[cell]);
            std::string name(cells_[cell]);
            std::transform(name.begin(), name.end(), name.begin(),
                           [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; });
            if (name == "timestamp") name = "datetime";
            const auto known = std::find(kFieldNames.begin(), kFieldNames.end(), name);
            if (known == kFieldNames.end()) continue;  // other columns are carried but not read
            int32_t& slot = layout_.cellOf[static_cast<size_t>(known - kFieldNames.begin())];
            if (slot != kAbsent) Fail(lineNumber_, static_cast<int64_t>(cell) + 1,
                                      fmt::format("column \"{}\" appears twice", Shown(cells_[cell])));
            slot = static_cast<int32_t>(cell);
        }
        CheckHeader();
    }

    void CheckHeader() const {
        const auto has = [this](Field field) { return layout_.cellOf[field] != kAbsent; };
        if (has(kDateTime) && (has(kDate) || has(kTime)))
            Fail(lineNumber_, 1, "the header row names both a date-time column and separate \"date\"/\"time\" columns");
        if (!has(kDateTime) && !(has(kDate) && has(kTime)))
            Fail(lineNumber_, 1,
                 "the header row names no \"datetime\" (or \"timestamp\") column, nor \"date\" and \"time\" columns");
        for (const Field field : {kOpen, kHigh, kLow, kClose})
            if (!has(field)) Fail(lineNumber_, 1, fmt::format("the header row names no \"{}\" column", kFieldNames[field]));
    }

    void ReadBar(std::string_view line) {
        SplitCells(line);
        const size_t expected = layout_.headerNames.size();
        if (cells_.size() < expected) FailCell(static_cast<int32_t>(cells_.size()), "missing field");
        if (cells_.size() > expected)
            Fail(lineNumber_, static_cast<int64_t>(expected) + 1,
                 fmt::format("{} fields where the header row names {}", cells_.size(), expected));
        if (result_.bars.dateTimes.size() == std::numeric_limits<int32_t>::max()) Fail(lineNumber_, 1, "too many bars");

        const int64_t dateTime = ReadDateTime();
        const float open = ReadNumber(kOpen), high = ReadNumber(kHigh), low = ReadNumber(kLow),
                    close = ReadNumber(kClose);
        const float volume = layout_.cellOf[kVolume] == kAbsent ? 0.0f : ReadNumber(kVolume);
        if (high < low || high < open || high < close) ++result_.badRangeBars;
        result_.bars.Append(dateTime, open, high, low, close, volume);
    }

    int64_t ReadDateTime() {
        const bool combined = layout_.cellOf[kDateTime] != kAbsent;
        const int32_t firstCell = layout_.cellOf[combined ? kDateTime : kDate];
        int64_t dateTime = 0;
        if (combined) {
            dateTime = ParsedCell(kDateTime, ParseDateTime, "a date-time");
        } else {
            dateTime = ParsedCell(kDate, ParseDate, "a date");
            dateTime += ParsedCell(kTime, ParseTimeOfDay, "a time of day");
        }
        if (!result_.bars.dateTimes.empty() && dateTime < result_.bars.dateTimes.back())
            FailCell(firstCell, fmt::format("time goes backwards: {} is before the previous bar's {}",
                                            FormatDateTime(dateTime), FormatDateTime(result_.bars.dateTimes.back())));
        return dateTime;
    }

    template <typename Parse>
    int64_t ParsedCell(Field field, Parse parse, std::string_view what) const {
        const int32_t cell = layout_.cellOf[field];
        const std::string_view text = cells_[static_cast<size_t>(cell)];
        const ParsedTime parsed = parse(text);
        if (!parsed.error.empty()) FailCell(cell, fmt::format("'{}' is not {}: {}", Shown(text), what, parsed.error));
        return parsed.microseconds;
    }

    float ReadNumber(Field field) {
        const int32_t cell = layout_.cellOf[field];
        const std::string_view text = cells_[static_cast<size_t>(cell)];
        if (text.empty()) FailCell(cell, "missing value");
        double value = 0;
        const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
        if (end != text.data() + text.size() || (error != std::errc() && error != std::errc::result_out_of_range))
            FailCell(cell, fmt::format("'{}' is not a number", Shown(text)));
        if (!std::isfinite(value)) FailCell(cell, fmt::format("'{}' is not a finite number", Shown(text)));
        if (error == std::errc::result_out_of_range || std::fabs(value) > std::numeric_limits<float>::max())
            FailCell(cell, fmt::format("'{}' is out of range for a 32-bit float", Shown(text)));
        if (field != kVolume) result_.priceDecimals = std::max(result_.priceDecimals, DecimalsOf(text));
        return static_cast<float>(value);
    }

    // Decimal places a number text asks for: fraction digits less the exponent, 0 .. 9.
    static int32_t DecimalsOf(std::string_view text) {
        const size_t exponentAt = std::min(text.find_first_of("eE"), text.size());
        const size_t pointAt = std::min(text.find('.'), exponentAt);
        int64_t decimals = static_cast<int64_t>(exponentAt - pointAt) - (pointAt < exponentAt ? 1 : 0);
        if (exponentAt < text.size()) {
            int32_t exponent = 0;
            const std::string_view digits = text.substr(exponentAt + 1);
            const bool signed_ = !digits.empty() && (digits.front() == '-' || digits.front() == '+');
            const bool negative = signed_ && digits.front() == '-';
            const auto [end, error] = std::from_chars(digits.data() + (signed_ ? 1 : 0),
                                                      digits.data() + digits.size(), exponent);
            if (error == std::errc::result_out_of_range) exponent = std::numeric_limits<int32_t>::max();
            decimals += negative ? exponent : -static_cast<int64_t>(exponent);
        }
        return static_cast<int32_t>(std::clamp<int64_t>(decimals, 0, kMaxDecimals));
    }

    std::string_view text_;
    const std::string& source_;
    int64_t lineNumber_ = 0;
    Layout layout_;
    std::vector<std::string_view> cells_;
    LoadedBars result_;
};

}  // namespace

LoadedBars ParseBarsCsv(std::string_view text, const std::string& sourceName) {
    return Parser(text, sourceName).Run();
}

LoadedBars LoadBarsCsv(const std::string& path) {
    const auto fail = [&path] {
        throw BarsLoadError(fmt::format("{}: cannot read the bar file: {}", path, std::strerror(errno)));
    };
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "rb"), std::fclose);
    if (!file) fail();
    std::string contents;
    char chunk[1 << 16];
    size_t count = 0;
    while ((count = std::fread(chunk, 1, sizeof chunk, file.get())) > 0) contents.append(chunk, count);
    if (std::ferror(file.get())) fail();
    return ParseBarsCsv(contents, path);
}

}  // namespace kovra::host
