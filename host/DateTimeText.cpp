#include "host/DateTimeText.h"

#include <iterator>
#include <optional>
#include <utility>

#include <fmt/format.h>

#include "host/DateTimes.h"

namespace kovra::host {
namespace {

constexpr const char* kExpectedDate = "expected YYYY-MM-DD";
constexpr const char* kExpectedTime = "expected HH:MM[:SS[.ffffff]]";
constexpr const char* kExpectedDateTime = "expected YYYY-MM-DD HH:MM[:SS[.ffffff]]";

// Reads fixed-width fields left to right; every read fails on a mismatch.
class Scanner {
public:
    explicit Scanner(std::string_view text) : rest_(text) {}

    std::optional<int32_t> Digits(size_t count) {
        if (rest_.size() < count) return std::nullopt;
        int32_t value = 0;
        for (size_t i = 0; i < count; ++i) {
            const char c = rest_[i];
            if (c < '0' || c > '9') return std::nullopt;
            value = value * 10 + (c - '0');
        }
        rest_.remove_prefix(count);
        return value;
    }
    // Between 1 and `maxCount` digits, as that many decimals of a unit scaled to 10^maxCount.
    std::optional<int32_t> Fraction(size_t maxCount) {
        size_t count = 0;
        while (count < rest_.size() && rest_[count] >= '0' && rest_[count] <= '9') ++count;
        if (count == 0 || count > maxCount) return std::nullopt;
        int32_t value = *Digits(count);
        for (size_t i = count; i < maxCount; ++i) value *= 10;
        return value;
    }
    bool Take(char c) {
        if (rest_.empty() || rest_.front() != c) return false;
        rest_.remove_prefix(1);
        return true;
    }
    bool AtEnd() const { return rest_.empty(); }

private:
    std::string_view rest_;
};

ParsedTime Failure(std::string error) { return ParsedTime{0, std::move(error)}; }

ParsedTime ScanDate(Scanner& scanner) {
    const auto year = scanner.Digits(4);
    if (!year || !scanner.Take('-')) return Failure(kExpectedDate);
    const auto month = scanner.Digits(2);
    if (!month || !scanner.Take('-')) return Failure(kExpectedDate);
    const auto day = scanner.Digits(2);
    if (!day) return Failure(kExpectedDate);
    if (*month < 1 || *month > 12) return Failure(fmt::format("month {} is out of range", *month));
    if (*day < 1 || *day > DaysInMonth(*year, *month))
        return Failure(fmt::format("day {} is out of range for {:04}-{:02}", *day, *year, *month));
    return ParsedTime{DaysSince18991230(CivilDate{*year, *month, *day}) * kMicrosecondsPerDay, {}};
}

ParsedTime ScanTimeOfDay(Scanner& scanner) {
    const auto hour = scanner.Digits(2);
    if (!hour || !scanner.Take(':')) return Failure(kExpectedTime);
    const auto minute = scanner.Digits(2);
    if (!minute) return Failure(kExpectedTime);
    std::optional<int32_t> second = 0, microsecond = 0;
    if (scanner.Take(':')) {
        second = scanner.Digits(2);
        if (second && scanner.Take('.')) microsecond = scanner.Fraction(6);
        if (!second || !microsecond) return Failure(kExpectedTime);
    }
    if (*hour > 23) return Failure(fmt::format("hour {} is out of range", *hour));
    if (*minute > 59) return Failure(fmt::format("minute {} is out of range", *minute));
    if (*second > 59) return Failure(fmt::format("second {} is out of range", *second));
    const int64_t seconds = (*hour * 60 + *minute) * 60 + *second;
    return ParsedTime{seconds * kMicrosecondsPerSecond + *microsecond, {}};
}

// Runs `scan` over the whole text; leftover characters are a syntax error.
template <typename Scan>
ParsedTime ScanWhole(std::string_view text, const char* expected, Scan scan) {
    Scanner scanner(text);
    ParsedTime parsed = scan(scanner);
    if (parsed.error.empty() && !scanner.AtEnd()) return Failure(expected);
    return parsed;
}

}  // namespace

namespace {

// Fixed-width digits, written by hand: series files hold a million date-times
// and format strings would cost more than the rest of the row.
void AppendDigits(fmt::memory_buffer& out, int64_t value, int32_t width) {  // 0 <= value < 10^width <= 10^6
    char text[6];
    for (int32_t i = width - 1; i >= 0; --i, value /= 10) text[i] = static_cast<char>('0' + value % 10);
    out.append(text, text + width);
}

}  // namespace

void AppendDateTime(fmt::memory_buffer& out, int64_t microseconds) {
    const CivilDateTime civil = CivilFromMicroseconds(microseconds);
    if (civil.date.year >= 0 && civil.date.year <= 9999) AppendDigits(out, civil.date.year, 4);
    else fmt::format_to(std::back_inserter(out), "{}", civil.date.year);
    const std::pair<char, int32_t> fields[] = {{'-', civil.date.month}, {'-', civil.date.day}, {' ', civil.hour},
                                               {':', civil.minute},     {':', civil.second}};
    for (const auto& [separator, value] : fields) {
        out.push_back(separator);
        AppendDigits(out, value, 2);
    }
    if (civil.microsecond != 0) {
        out.push_back('.');
        AppendDigits(out, civil.microsecond, 6);
    }
}

ParsedTime ParseDate(std::string_view text) { return ScanWhole(text, kExpectedDate, ScanDate); }

ParsedTime ParseTimeOfDay(std::string_view text) { return ScanWhole(text, kExpectedTime, ScanTimeOfDay); }

ParsedTime ParseDateTime(std::string_view text) {
    return ScanWhole(text, kExpectedDateTime, [](Scanner& scanner) {
        ParsedTime date = ScanDate(scanner);
        if (!date.error.empty()) {
            if (date.error == kExpectedDate) date.error = kExpectedDateTime;
            return date;
        }
        if (scanner.AtEnd()) return date;
        if (!scanner.Take(' ') && !scanner.Take('T')) return Failure(kExpectedDateTime);
        ParsedTime time = ScanTimeOfDay(scanner);
        if (!time.error.empty()) {
            if (time.error == kExpectedTime) time.error = kExpectedDateTime;
            return time;
        }
        return ParsedTime{date.microseconds + time.microseconds, {}};
    });
}

}  // namespace kovra::host
