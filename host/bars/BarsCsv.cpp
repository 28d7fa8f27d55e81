#include "host/bars/BarsCsv.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>
#include <tuple>
#include <vector>

#include <fmt/format.h>

#include "host/bars/BarsHeader.h"
#include "host/bars/CsvText.h"
#include "host/text/DateTimeText.h"
#include "host/text/NumberText.h"
#include "host/text/ShownText.h"
#include "host/text/WallClock.h"

namespace kovra::host {
namespace {

constexpr size_t kShownCell = 40;
constexpr int64_t kRecordsPerProgressReport = 1 << 16;
constexpr int32_t kLargestDay = 12;  // a slash date's field above it can only be the day

bool StartsWithComment(std::string_view record) {
    const size_t first = record.find_first_not_of(" \t");
    return first != std::string_view::npos && record[first] == '#';
}

// Empty, "null", "NaN", "NA", "n/a" or "-" (any case).
bool IsMissingVolume(std::string_view text) {
    if (text.empty()) return true;
    if ((text[0] >= '0' && text[0] <= '9') || text.size() > 4) return false;
    std::string lower(text);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; });
    return lower == "null" || lower == "nan" || lower == "na" || lower == "n/a" || lower == "-";
}

// Reverses bars that came newest first, keeping bars of equal date-time in
// file order: `ties` are the runs [first, end) of equal date-times, as read.
void ReverseKeepingTies(BarColumns& bars, const std::vector<std::pair<size_t, size_t>>& ties) {
    const auto forEachColumn = [&bars](auto reverse) {
        reverse(bars.dateTimes);
        reverse(bars.open), reverse(bars.high), reverse(bars.low), reverse(bars.close), reverse(bars.volume);
    };
    forEachColumn([](auto& column) { std::reverse(column.begin(), column.end()); });
    const size_t count = bars.dateTimes.size();
    for (const auto& [first, end] : ties)
        forEachColumn([first = count - end, end = count - first](auto& column) {
            std::reverse(column.begin() + static_cast<std::ptrdiff_t>(first),
                         column.begin() + static_cast<std::ptrdiff_t>(end));
        });
}

// What a pass over the text takes for granted where the text has not told yet.
// A pass that learns otherwise after reading bars on the assumption stops and
// the text is read again with what it learned.
struct Assumptions {
    DateOrder dateOrder = DateOrder::kMonthFirst;
    std::optional<NumberMarks> marks;  // unset: from the first number whose marks tell
};

class Parser {
public:
    Parser(std::string_view text, const std::string& sourceName, const BarsLoadOptions& options, Assumptions assumed)
        : text_(text),
          reader_(text),
          source_(sourceName),
          options_(options),
          order_(assumed.dateOrder),
          wallClock_(options.timeZone),
          next_(assumed) {
        if (options.numberMarks)
            marks_ = *options.numberMarks, marksKnown_ = true;
        else if (assumed.marks)
            marks_ = *assumed.marks, marksAssumed_ = true;
    }

    // The bars; nothing when the text must be read again with assumeNext().
    std::optional<LoadedBars> Run() {
        CheckEncoding();
        std::string_view record;
        while (reader_.NextRecord(record) && StartsWithComment(record)) record = {};
        if (record.empty())
            Fail(std::max<int64_t>(reader_.lineNumber(), 1), 1,
                 "the file holds no header row; expected one naming the columns, such as "
                 "Date,Time,Open,High,Low,Close,Volume");
        ReadHeader(record);
        const int64_t headerLine = reader_.lineNumber();
        Reserve(reader_.LinesLeft());
        int64_t records = 0;
        while (reader_.NextRecord(record)) {
            if (!ReadBar()) return std::nullopt;
            if (++records % kRecordsPerProgressReport == 0 && options_.progress)
                options_.progress(reader_.bytesRead(), reader_.size());
        }
        if (result_.bars.dateTimes.empty()) Fail(headerLine, 1, "no bars after the header row");
        CheckDateOrderWasTold();
        if (direction_ < 0) {
            ReverseKeepingTies(result_.bars, ties_);
            result_.reversed = true;
        }
        if (marksKnown_) result_.numberMarks = marks_;
        return std::move(result_);
    }

    Assumptions assumeNext() const { return next_; }

private:
    [[noreturn]] void Fail(int64_t line, int64_t column, std::string_view message) const {
        throw BarsLoadError(fmt::format("{}:{}:{}: {}", source_, line, column, message));
    }
    [[noreturn]] void FailCell(int32_t cell, std::string_view message) const {
        Fail(reader_.lineNumber(), cell + 1,
             fmt::format("{} (column \"{}\")", message,
                         ShownText(header_.names[static_cast<size_t>(cell)], kShownCell)));
    }

    void CheckEncoding() const {
        if (!StartsLikeText(text_))
            Fail(1, 1, "the file is UTF-16 or binary, not text; save it as UTF-8 (or plain ASCII) text");
    }

    void ReadHeader(std::string_view record) {
        reader_.ChooseSeparator(record);
        // In comma-separated files a comma inside a (quoted) number can only group thousands.
        if (reader_.separator() == ',') marks_ = NumberMarks::kPointDecimal, marksKnown_ = true, marksFixed_ = true;
        reader_.SplitRecord(cells_);
        BarsHeaderProblem problem;
        if (!ReadBarsHeader(cells_, header_, problem)) {
            std::string message = std::move(problem.message);
            if (!cells_.empty() && ParseDateTime(cells_[0]).error.empty())
                message =
                    "the first row holds data, not column names; add a header row such as "
                    "Date,Time,Open,High,Low,Close,Volume";
            Fail(reader_.lineNumber(), problem.cell + 1, message);
        }
    }

    // Columns of millions of bars come in large pages (see RecordArrays.h).
    void Reserve(size_t bars) {
        BarColumns& columns = result_.bars;
        columns.dateTimes.reserve(bars);
        for (RecordColumn<float>* column :
             {&columns.open, &columns.high, &columns.low, &columns.close, &columns.volume})
            column->reserve(bars);
    }

    // Reads the record last returned; false when the bars must be read again day first.
    bool ReadBar() {
        reader_.SplitRecord(cells_);
        const size_t headerCells = header_.names.size();
        if (std::all_of(cells_.begin(), cells_.end(), [](std::string_view cell) { return cell.empty(); }))
            return true;  // a row of empty cells, as spreadsheets leave behind
        if (cells_.size() < static_cast<size_t>(header_.neededCells))
            FailCell(static_cast<int32_t>(cells_.size()), "missing field");
        if (cells_.size() > headerCells &&
            std::any_of(cells_.begin() + static_cast<std::ptrdiff_t>(headerCells), cells_.end(),
                        [](std::string_view cell) { return !cell.empty(); }))
            Fail(reader_.lineNumber(), static_cast<int64_t>(headerCells) + 1,
                 fmt::format("{} fields where the header row names {}", cells_.size(), headerCells));
        if (result_.bars.dateTimes.size() == std::numeric_limits<int32_t>::max())
            Fail(reader_.lineNumber(), 1, "too many bars (at most 2147483647)");

        const std::optional<ParsedTime> dateTime = ReadDateTime();
        if (!dateTime) return false;
        CheckOneKindOfTime(dateTime->instant);
        CheckOrder(dateTime->microseconds);
        const float open = ReadPrice(kOpenField), high = ReadPrice(kHighField), low = ReadPrice(kLowField),
                    close = ReadPrice(kCloseField);
        if (readAgain_) return false;
        CheckPriceRange(open, high, low, close);
        const int64_t shown =
            dateTime->instant ? wallClock_.FromInstant(dateTime->microseconds) : dateTime->microseconds;
        result_.bars.Append(shown, open, high, low, close, ReadVolume());
        return true;
    }

    // The date-time as written: a wall clock, or an instant in UTC.
    std::optional<ParsedTime> ReadDateTime() {
        const bool separateTime = header_.Has(kTimeField);
        const int32_t cell = header_.cellOf[separateTime ? kDateField : kDateTimeField];
        const std::string_view text = cells_[static_cast<size_t>(cell)];
        ParsedTime parsed = separateTime ? ParseDate(text, order_) : ParseDateTime(text, order_);
        if (parsed.slashFirst != 0 && !LearnDateOrder(parsed, cell)) {
            next_.dateOrder = DateOrder::kDayFirst;
            return std::nullopt;
        }
        if (!parsed.error.empty()) {
            const char* what = separateTime ? "a date" : "a date-time";
            FailCell(cell, fmt::format("'{}' is not {}: {}{}", ShownText(text, kShownCell), what, parsed.error,
                                       parsed.slashFirst != 0 ? OrderNote() : ""));
        }
        if (separateTime) {
            const int32_t timeCell = header_.cellOf[kTimeField];
            const std::string_view timeText = cells_[static_cast<size_t>(timeCell)];
            const ParsedTime time = ParseTimeOfDay(timeText);
            if (!time.error.empty())
                FailCell(timeCell,
                         fmt::format("'{}' is not a time of day: {}", ShownText(timeText, kShownCell), time.error));
            parsed.microseconds += time.microseconds;
            parsed.instant = time.instant;
        }
        return parsed;
    }

    // Learns the order of "A/B/YYYY" dates from the data; false when the bars
    // read so far assumed month first and this date can only be day first.
    bool LearnDateOrder(const ParsedTime& parsed, int32_t cell) {
        if (!firstSlashLine_) firstSlashLine_ = reader_.lineNumber(), firstSlashCell_ = cell;
        if (options_.dateOrder) return true;
        const bool dayFirst = parsed.slashFirst > kLargestDay && parsed.slashSecond <= kLargestDay;
        const bool monthFirst = parsed.slashSecond > kLargestDay && parsed.slashFirst <= kLargestDay;
        if ((dayFirst && sawMonthFirst_) || (monthFirst && sawDayFirst_))
            FailCell(cell, fmt::format("'{}' has the {} first, but an earlier date has the {} first; the dates must "
                                       "keep one order",
                                       ShownText(cells_[static_cast<size_t>(cell)], kShownCell),
                                       dayFirst ? "day" : "month", dayFirst ? "month" : "day"));
        sawDayFirst_ = sawDayFirst_ || dayFirst;
        sawMonthFirst_ = sawMonthFirst_ || monthFirst;
        return !(dayFirst && order_ == DateOrder::kMonthFirst);
    }

    std::string OrderNote() const {
        if (!options_.dateOrder) return "";
        return *options_.dateOrder == DateOrder::kDayFirst ? " (read as DD/MM/YYYY, as --date-order dmy says)"
                                                           : " (read as MM/DD/YYYY, as --date-order mdy says)";
    }

    void CheckDateOrderWasTold() const {
        if (!firstSlashLine_ || options_.dateOrder || sawDayFirst_ || sawMonthFirst_) return;
        Fail(*firstSlashLine_, firstSlashCell_ + 1,
             "the dates could be MM/DD/YYYY or DD/MM/YYYY (no day in the file is above 12); "
             "give --date-order mdy or --date-order dmy");
    }

    // A column holds instants or wall-clock times: mixed, the shown times would
    // jump by the zone's offset from one bar to the next.
    void CheckOneKindOfTime(bool instant) {
        const bool first = result_.bars.dateTimes.empty();
        if (!first && instant == firstTime_.instant) return;
        const int32_t cell = header_.cellOf[header_.Has(kTimeField) ? kTimeField : kDateTimeField];
        const std::string_view text = cells_[static_cast<size_t>(cell)];
        if (first) {
            firstTime_ = {reader_.lineNumber(), std::string(ShownText(text, kShownCell)), instant};
            return;
        }
        const auto kind = [](bool isInstant) { return isInstant ? "an instant" : "a wall-clock time"; };
        FailCell(cell, fmt::format("'{}' is {}, but the first bar's '{}' (line {}) is {}; a column holds instants "
                                   "(Z, a UTC offset or an epoch number) or wall-clock times, not both",
                                   ShownText(text, kShownCell), kind(instant), firstTime_.text, firstTime_.line,
                                   kind(firstTime_.instant)));
    }

    // Date-times as written go only forward (equal ones allowed) or only
    // backward (newest first). Instants are compared before they become wall
    // clocks, which repeat an hour when daylight saving ends.
    void CheckOrder(int64_t written) {
        const size_t index = result_.bars.dateTimes.size();
        if (index > 0 && written == lastWritten_) {
            if (!ties_.empty() && ties_.back().second == index)
                ++ties_.back().second;
            else
                ties_.emplace_back(index - 1, index + 1);
        }
        const int64_t previous = lastWritten_;
        lastWritten_ = written;
        if (index == 0 || written == previous) return;
        const int32_t direction = written > previous ? 1 : -1;
        if (direction_ == 0) direction_ = direction;
        if (direction == direction_) return;
        const int32_t cell = header_.cellOf[header_.Has(kTimeField) ? kDateField : kDateTimeField];
        FailCell(cell, fmt::format("time goes {}: {} is {} the previous bar's {}; the date-times must only ascend "
                                   "(oldest first) or only descend (newest first)",
                                   direction < 0 ? "backwards" : "forwards", FormatDateTime(written),
                                   direction < 0 ? "before" : "after", FormatDateTime(previous)));
    }

    // The open and the close lie within [low, high].
    void CheckPriceRange(float open, float high, float low, float close) const {
        if (low <= open && open <= high && low <= close && close <= high) return;
        const auto text = [this](BarField field) {
            return ShownText(cells_[static_cast<size_t>(header_.cellOf[field])], kShownCell);
        };
        if (high < low)
            FailCell(header_.cellOf[kHighField],
                     fmt::format("the high {} is below the low {}", text(kHighField), text(kLowField)));
        for (const auto& [field, price, name] : {std::tuple{kOpenField, open, "open"}, {kCloseField, close, "close"}})
            if (price < low || price > high)
                FailCell(header_.cellOf[field], fmt::format("the {} {} lies outside the bar's low {} and high {}", name,
                                                            text(field), text(kLowField), text(kHighField)));
    }

    // Learns the file's decimal mark from a number that tells it (see
    // MarksEvidence); sets readAgain_ when numbers read before took the other mark.
    void LearnMarks(std::string_view text, int32_t cell) {
        if (marksFixed_) return;
        const MarksEvidence evidence = EvidenceOf(text);
        if (evidence == MarksEvidence::kNone) return;
        if (evidence == MarksEvidence::kEither) {
            // Until a number tells, a lone mark reads as the decimal mark.
            if (!marksKnown_ && !marksAssumed_)
                marks_ =
                    text.find(',') != std::string_view::npos ? NumberMarks::kCommaDecimal : NumberMarks::kPointDecimal,
                marksAssumed_ = true;
            return;
        }
        const NumberMarks told =
            evidence == MarksEvidence::kCommaDecimal ? NumberMarks::kCommaDecimal : NumberMarks::kPointDecimal;
        const auto markName = [](NumberMarks marks) {
            return marks == NumberMarks::kCommaDecimal ? "a decimal comma" : "a decimal point";
        };
        if (marksKnown_) {
            if (told == marks_) return;
            const std::string where = marksLine_ ? fmt::format("'{}' (line {}) has", marksText_, *marksLine_)
                                                 : std::string("the file's numbers have");
            FailCell(cell, fmt::format("'{}' has {}, but {} {}; the numbers of a file keep one decimal mark",
                                       ShownText(text, kShownCell), markName(told), where, markName(marks_)));
        }
        marksKnown_ = true;
        marksLine_ = reader_.lineNumber(), marksText_ = ShownText(text, kShownCell);
        if (marksAssumed_ && told != marks_) next_.marks = told, readAgain_ = true;
        marks_ = told;
    }

    float ReadPrice(BarField field) {
        const int32_t cell = header_.cellOf[field];
        const std::string_view text = cells_[static_cast<size_t>(cell)];
        if (text.empty()) FailCell(cell, "missing value");
        LearnMarks(text, cell);
        const ParsedNumber number = ParseNumber(text, marks_);
        if (!number.ok) FailCell(cell, fmt::format("'{}' is not a number", ShownText(text, kShownCell)));
        if (!std::isfinite(number.value))
            FailCell(cell, fmt::format("'{}' is not a finite number", ShownText(text, kShownCell)));
        if (number.outOfRange || std::fabs(number.value) > std::numeric_limits<float>::max())
            FailCell(cell, fmt::format("'{}' is out of range for a 32-bit float", ShownText(text, kShownCell)));
        result_.priceDecimals = std::max(result_.priceDecimals, number.decimals);
        return static_cast<float>(number.value);
    }

    // Volume is optional and not used by the study: empty, null or not-a-number reads as 0.
    float ReadVolume() {
        const int32_t cell = header_.cellOf[kVolumeField];
        if (cell == BarsHeader::kAbsent || static_cast<size_t>(cell) >= cells_.size()) return 0;
        const std::string_view text = cells_[static_cast<size_t>(cell)];
        if (IsMissingVolume(text)) return 0;
        const ParsedNumber number = ParseNumber(text, marks_);
        if (!number.ok) FailCell(cell, fmt::format("'{}' is not a number (or empty)", ShownText(text, kShownCell)));
        if (!std::isfinite(number.value)) return 0;
        if (number.outOfRange || std::fabs(number.value) > std::numeric_limits<float>::max())
            FailCell(cell, fmt::format("'{}' is out of range for a 32-bit float", ShownText(text, kShownCell)));
        return static_cast<float>(number.value);
    }

    const std::string_view text_;
    CsvReader reader_;
    const std::string& source_;
    const BarsLoadOptions& options_;
    const DateOrder order_;
    WallClock wallClock_;
    BarsHeader header_;
    NumberMarks marks_ = NumberMarks::kPointDecimal;
    bool marksFixed_ = false;           // by the separator
    bool marksKnown_ = false;           // told by the separator, the options or a number
    bool marksAssumed_ = false;         // taken from a number that reads either way, or from the last pass
    std::optional<int64_t> marksLine_;  // the line of the number that told, and its text
    std::string marksText_;
    bool readAgain_ = false;
    Assumptions next_;
    struct {
        int64_t line = 0;
        std::string text;
        bool instant = false;
    } firstTime_;  // the first bar's date-time, whose kind the others keep
    std::vector<std::string_view> cells_;
    int32_t direction_ = 0;                        // 1 oldest first, -1 newest first, 0 not known yet
    int64_t lastWritten_ = 0;                      // the last bar's date-time as written
    std::vector<std::pair<size_t, size_t>> ties_;  // runs of equal date-times as written
    std::optional<int64_t> firstSlashLine_;
    int32_t firstSlashCell_ = 0;
    bool sawDayFirst_ = false, sawMonthFirst_ = false;
    LoadedBars result_;
};

}  // namespace

bool StartsLikeText(std::string_view text) {
    return text.substr(0, 2) != "\xFF\xFE" && text.substr(0, 2) != "\xFE\xFF" &&
           text.substr(0, kTextCheckBytes).find('\0') == std::string_view::npos;
}

LoadedBars ParseBarsCsv(std::string_view text, const std::string& sourceName, const BarsLoadOptions& options) {
    // Each pass that stops has learned something a later pass keeps (the day
    // first, the decimal mark), so at most three passes run.
    Assumptions assumed{options.dateOrder.value_or(DateOrder::kMonthFirst), std::nullopt};
    for (;;) {
        Parser parser(text, sourceName, options, assumed);
        if (std::optional<LoadedBars> bars = parser.Run()) {
            bars->textBytes = text.size();
            return std::move(*bars);
        }
        assumed = parser.assumeNext();
    }
}

}  // namespace kovra::host
