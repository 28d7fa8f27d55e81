#include "host/text/DateTimeText.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <iterator>
#include <utility>

#include <fmt/format.h>

#include "host/text/DateTimes.h"

namespace kovra::host {
namespace {

constexpr const char* kExpectedDate =
    "expected a date such as 2024-03-15, 20240315, 2024/03/15, 03/15/2024 or 15.03.2024";
constexpr const char* kExpectedTime = "expected a time such as 09:30, 09:30:00.250, 9:30 PM, 0930 or 093000";
constexpr const char* kExpectedDateTime =
    "expected a date-time such as 2024-03-15 09:30:00, 2024-03-15T09:30:00Z, 03/15/2024 9:30 PM or an epoch number";
constexpr int32_t kMinEpochDigits = 9;

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Reads a text left to right; a failed read consumes nothing.
class Scanner {
public:
    explicit Scanner(std::string_view text) : rest_(text) {}

    // A run of digits (at most 18); its length is 0 when none is there.
    struct Digits {
        int64_t value = 0;
        size_t count = 0;
    };
    Digits Run() {
        Digits digits;
        while (digits.count < rest_.size() && digits.count < 18 && IsDigit(rest_[digits.count]))
            digits.value = digits.value * 10 + (rest_[digits.count++] - '0');
        rest_.remove_prefix(digits.count);
        return digits;
    }
    bool Take(char c) {
        if (rest_.empty() || rest_.front() != c) return false;
        rest_.remove_prefix(1);
        return true;
    }
    // One of the letters of `word`, either case, in order.
    bool TakeWord(std::string_view word) {
        if (rest_.size() < word.size()) return false;
        for (size_t i = 0; i < word.size(); ++i)
            if ((rest_[i] | 0x20) != word[i]) return false;
        rest_.remove_prefix(word.size());
        return true;
    }
    size_t SkipSpaces() {
        size_t count = 0;
        while (count < rest_.size() && rest_[count] == ' ') ++count;
        rest_.remove_prefix(count);
        return count;
    }
    char Peek() const { return rest_.empty() ? '\0' : rest_.front(); }
    bool AtEnd() const { return rest_.empty(); }

private:
    std::string_view rest_;
};

ParsedTime Failure(std::string error) {
    ParsedTime failed;
    failed.error = std::move(error);
    return failed;
}

// A fraction of a second after its point: one or more digits, as microseconds
// (the digits past the microsecond dropped).
bool ScanFraction(Scanner& scanner, int64_t& microseconds) {
    constexpr size_t kMicrosecondDigits = 6;
    Scanner::Digits digits = scanner.Run();
    if (digits.count == 0) return false;
    for (; digits.count > kMicrosecondDigits; --digits.count) digits.value /= 10;
    for (; digits.count < kMicrosecondDigits; ++digits.count) digits.value *= 10;
    microseconds = digits.value;
    while (scanner.Run().count > 0) continue;  // a run reads at most 18 digits; the rest goes too
    return true;
}

ParsedTime ScanDate(Scanner& scanner, DateOrder order) {
    const Scanner::Digits first = scanner.Run();
    int64_t year = 0, month = 0, day = 0;
    ParsedTime parsed;
    const char separator = scanner.Peek();
    if (first.count == 8 && separator != '-' && separator != '/' && separator != '.') {
        year = first.value / 10000, month = first.value / 100 % 100, day = first.value % 100;
    } else {
        if (first.count == 0 || !(separator == '-' || separator == '/' || separator == '.') || !scanner.Take(separator))
            return Failure(kExpectedDate);
        const Scanner::Digits second = scanner.Run();
        if (second.count == 0 || second.count > 2 || !scanner.Take(separator)) return Failure(kExpectedDate);
        const Scanner::Digits third = scanner.Run();
        if (first.count == 4 && third.count >= 1 && third.count <= 2) {
            year = first.value, month = second.value, day = third.value;
        } else if (first.count <= 2 && third.count == 4) {
            year = third.value;
            const bool dayFirst = separator == '.' || order == DateOrder::kDayFirst;
            month = dayFirst ? second.value : first.value;
            day = dayFirst ? first.value : second.value;
            if (separator != '.') {
                parsed.slashFirst = static_cast<int32_t>(first.value);
                parsed.slashSecond = static_cast<int32_t>(second.value);
            }
        } else {
            return Failure(kExpectedDate);
        }
    }
    // A failure keeps the A and B of a slash date: they tell the order even when the date is wrong for one.
    if (month < 1 || month > 12) {
        parsed.error = fmt::format("month {} is out of range", month);
        return parsed;
    }
    if (day < 1 || day > DaysInMonth(year, static_cast<int32_t>(month))) {
        parsed.error = fmt::format("day {} is out of range for {:04}-{:02}", day, year, month);
        return parsed;
    }
    parsed.microseconds = DaysSince18991230(CivilDate{year, static_cast<int32_t>(month), static_cast<int32_t>(day)}) *
                          kMicrosecondsPerDay;
    return parsed;
}

// "Z", or +HH, +HHMM, +HH:MM (or -): sets `offsetMinutes` east of UTC.
bool ScanZone(Scanner& scanner, int64_t& offsetMinutes, std::string& error) {
    if (scanner.Take('Z') || scanner.Take('z')) return offsetMinutes = 0, true;
    const bool east = scanner.Take('+');
    if (!east && !scanner.Take('-')) return false;
    Scanner::Digits hours = scanner.Run();
    int64_t minutes = 0;
    if (hours.count == 4) {
        minutes = hours.value % 100, hours.value /= 100;
    } else if (hours.count == 2 && scanner.Take(':')) {
        const Scanner::Digits written = scanner.Run();
        if (written.count != 2) return error = kExpectedTime, false;
        minutes = written.value;
    } else if (hours.count != 2) {
        return error = kExpectedTime, false;
    }
    if (hours.value > 23 || minutes > 59)
        return error = fmt::format("UTC offset {:02}:{:02} is out of range", hours.value, minutes), false;
    offsetMinutes = (east ? 1 : -1) * (hours.value * 60 + minutes);
    return true;
}

ParsedTime ScanTimeOfDay(Scanner& scanner) {
    const Scanner::Digits lead = scanner.Run();
    int64_t hour = 0, minute = 0, second = 0, microsecond = 0;
    if (lead.count >= 1 && lead.count <= 2 && scanner.Take(':')) {
        hour = lead.value;
        const Scanner::Digits minutes = scanner.Run();
        if (minutes.count != 2) return Failure(kExpectedTime);
        minute = minutes.value;
        if (scanner.Take(':')) {
            const Scanner::Digits seconds = scanner.Run();
            if (seconds.count != 2) return Failure(kExpectedTime);
            second = seconds.value;
            if ((scanner.Take('.') || scanner.Take(',')) && !ScanFraction(scanner, microsecond))
                return Failure(kExpectedTime);
        }
    } else if (lead.count >= 3 && lead.count <= 6) {
        const bool withSeconds = lead.count >= 5;
        const int64_t hhmm = withSeconds ? lead.value / 100 : lead.value;
        hour = hhmm / 100, minute = hhmm % 100, second = withSeconds ? lead.value % 100 : 0;
        if (withSeconds && scanner.Take('.') && !ScanFraction(scanner, microsecond)) return Failure(kExpectedTime);
    } else {
        return Failure(kExpectedTime);
    }
    scanner.SkipSpaces();
    const bool am = scanner.TakeWord("am"), pm = !am && scanner.TakeWord("pm");
    if (am || pm) {
        if (hour < 1 || hour > 12) return Failure(fmt::format("hour {} is out of range for a 12-hour time", hour));
        hour = hour % 12 + (pm ? 12 : 0);
    }
    if (hour > 23) return Failure(fmt::format("hour {} is out of range", hour));
    if (minute > 59) return Failure(fmt::format("minute {} is out of range", minute));
    if (second > 59) return Failure(fmt::format("second {} is out of range", second));
    ParsedTime parsed;
    parsed.microseconds = ((hour * 60 + minute) * 60 + second) * kMicrosecondsPerSecond + microsecond;
    scanner.SkipSpaces();
    int64_t offsetMinutes = 0;
    if (ScanZone(scanner, offsetMinutes, parsed.error)) {
        parsed.instant = true;
        parsed.microseconds -= offsetMinutes * 60 * kMicrosecondsPerSecond;
    }
    if (!parsed.error.empty()) return Failure(parsed.error);
    return parsed;
}

// Runs `scan` over the whole text; leftover characters are a syntax error.
template <typename Scan>
ParsedTime ScanWhole(std::string_view text, const char* expected, Scan scan) {
    Scanner scanner(text);
    ParsedTime parsed = scan(scanner);
    if (parsed.error.empty() && !scanner.AtEnd()) return Failure(expected);
    return parsed;
}

// An epoch number, when the whole text is one: [-]digits[.digits] with at least 9 integer digits.
bool ScanEpoch(std::string_view text, ParsedTime& parsed) {
    const bool negative = !text.empty() && text.front() == '-';
    const std::string_view unsignedText = text.substr(negative ? 1 : 0);
    const size_t point = std::min(unsignedText.find('.'), unsignedText.size());
    if (point < kMinEpochDigits) return false;
    uint64_t whole = 0;
    const auto [end, error] = std::from_chars(unsignedText.data(), unsignedText.data() + point, whole);
    if (error != std::errc{} || end != unsignedText.data() + point || whole > INT64_MAX) return false;
    Scanner fractionScanner(unsignedText.substr(std::min(point + 1, unsignedText.size())));
    int64_t fractionMicroseconds = 0;
    if (point < unsignedText.size() &&
        (!ScanFraction(fractionScanner, fractionMicroseconds) || !fractionScanner.AtEnd()))
        return false;
    const auto magnitude = static_cast<int64_t>(whole);
    int64_t microseconds = 0;
    // A fraction below the record's microsecond is dropped.
    if (magnitude < 100'000'000'000) {  // seconds
        microseconds = magnitude * kMicrosecondsPerSecond + fractionMicroseconds;
    } else if (magnitude < 100'000'000'000'000) {  // milliseconds
        microseconds = magnitude * 1000 + fractionMicroseconds / 1000;
    } else if (magnitude < 100'000'000'000'000'000) {  // microseconds
        microseconds = magnitude;
    } else {  // nanoseconds
        microseconds = magnitude / 1000;
    }
    parsed.microseconds = kUnixEpochMicroseconds + (negative ? -microseconds : microseconds);
    parsed.instant = true;
    return true;
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
    if (civil.date.year >= 0 && civil.date.year <= 9999)
        AppendDigits(out, civil.date.year, 4);
    else
        fmt::format_to(std::back_inserter(out), "{}", civil.date.year);
    const std::pair<char, int32_t> fields[] = {
        {'-', civil.date.month}, {'-', civil.date.day}, {' ', civil.hour}, {':', civil.minute}, {':', civil.second}};
    for (const auto& [separator, value] : fields) {
        out.push_back(separator);
        AppendDigits(out, value, 2);
    }
    if (civil.microsecond != 0) {
        out.push_back('.');
        AppendDigits(out, civil.microsecond, 6);
    }
}

ParsedTime ParseDate(std::string_view text, DateOrder order) {
    return ScanWhole(text, kExpectedDate, [order](Scanner& scanner) { return ScanDate(scanner, order); });
}

ParsedTime ParseTimeOfDay(std::string_view text) { return ScanWhole(text, kExpectedTime, ScanTimeOfDay); }

ParsedTime ParseDateTime(std::string_view text, DateOrder order) {
    ParsedTime epoch;
    if (ScanEpoch(text, epoch)) return epoch;
    return ScanWhole(text, kExpectedDateTime, [order](Scanner& scanner) {
        ParsedTime date = ScanDate(scanner, order);
        if (!date.error.empty()) {
            if (date.error == kExpectedDate) date.error = kExpectedDateTime;
            return date;
        }
        if (scanner.AtEnd()) return date;
        if (!scanner.Take('T') && scanner.SkipSpaces() == 0) return Failure(kExpectedDateTime);
        ParsedTime time = ScanTimeOfDay(scanner);
        if (!time.error.empty()) {
            if (time.error == kExpectedTime) time.error = kExpectedDateTime;
            return time;
        }
        date.microseconds += time.microseconds;
        date.instant = time.instant;
        return date;
    });
}

std::string FormatDateTime(int64_t microsecondsSince18991230) {
    fmt::memory_buffer out;
    AppendDateTime(out, microsecondsSince18991230);
    return fmt::to_string(out);
}

}  // namespace kovra::host
