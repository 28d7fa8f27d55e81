#include "host/bars/BarAggregator.h"

#include <algorithm>
#include <string>

#include <fmt/format.h>

#include "host/text/DateTimeText.h"
#include "host/text/DateTimes.h"

namespace kovra::host {
namespace {

struct DurationUnit {
    int64_t length;
    const char* name;
};
constexpr DurationUnit kDurationUnits[] = {{7 * kMicrosecondsPerDay, "week"},
                                           {kMicrosecondsPerDay, "day"},
                                           {3600 * kMicrosecondsPerSecond, "hour"},
                                           {60 * kMicrosecondsPerSecond, "minute"},
                                           {kMicrosecondsPerSecond, "second"},
                                           {1000, "millisecond"},
                                           {1, "microsecond"}};

// A length in its largest whole unit: {5, "minute"}.
DurationUnit InWholeUnits(int64_t length) {
    for (const DurationUnit& unit : kDurationUnits)
        if (length % unit.length == 0) return {length / unit.length, unit.name};
    return {length, "microsecond"};
}

// "5 minutes", "1 day".
std::string DurationText(int64_t length) {
    const DurationUnit whole = InWholeUnits(length);
    return fmt::format("{} {}{}", whole.length, whole.name, whole.length == 1 ? "" : "s");
}

// "5-minute", or "irregular, at least 5 minutes apart".
std::string SpacingText(const BarsSpacing& spacing) {
    if (!spacing.regular) return fmt::format("irregular, at least {} apart", DurationText(spacing.smallest));
    const DurationUnit whole = InWholeUnits(spacing.smallest);
    return fmt::format("{}-{}", whole.length, whole.name);
}

// Whether buckets of `timeframe` hold whole numbers of regular bars `step` apart.
bool HoldsWholeBars(const Timeframe& timeframe, int64_t step) {
    if (timeframe.intraday()) return step < kMicrosecondsPerDay && NominalLength(timeframe) % step == 0;
    if (step < kMicrosecondsPerDay) return kMicrosecondsPerDay % step == 0;
    // Months have no whole number of bars longer than a day.
    if (timeframe.unit == TimeUnit::kMonth) return step == kMicrosecondsPerDay;
    return NominalLength(timeframe) % step == 0;
}

// A regular intraday bar lasts until the next one is due: it must end within its bucket.
void CheckNoBarIsSplit(const RecordColumn<int64_t>& dateTimes, const TimeframeBuckets& buckets,
                       const BarsSpacing& spacing) {
    BucketSpan span;
    for (const int64_t dateTime : dateTimes) {
        if (!span.Holds(dateTime)) span = buckets.SpanOf(dateTime, false);
        if (dateTime + spacing.smallest <= span.end) continue;
        const CivilDateTime start = CivilFromMicroseconds(buckets.dayStart());
        throw TimeframeError(fmt::format(
            "the bars are {}; the {} bar of {} runs past its {} bucket's end at {} (the buckets start with the "
            "day, at {:02}:{:02}; --day-start moves it)",
            SpacingText(spacing), SpacingText(spacing), FormatDateTime(dateTime), FormatTimeframe(buckets.timeframe()),
            FormatDateTime(span.end), start.hour, start.minute));
    }
}

void Merge(Bar& bucket, const Bar& source) {
    bucket.high = std::max(bucket.high, source.high);
    bucket.low = std::min(bucket.low, source.low);
    bucket.close = source.close;
}

}  // namespace

bool BarsSpacing::wholeDays() const { return smallest >= kMicrosecondsPerDay; }

BarsSpacing SpacingOf(const RecordColumn<int64_t>& dateTimes) {
    BarsSpacing spacing;
    for (size_t i = 1; i < dateTimes.size(); ++i) {
        const int64_t step = dateTimes[i] - dateTimes[i - 1];
        if (step > 0 && (spacing.smallest == 0 || step < spacing.smallest)) spacing.smallest = step;
    }
    if (spacing.smallest == 0) return spacing;
    spacing.regular = true;
    int64_t lastChecked = spacing.smallest;  // most steps repeat the one before
    for (size_t i = 1; i < dateTimes.size() && spacing.regular; ++i) {
        const int64_t step = dateTimes[i] - dateTimes[i - 1];
        if (step <= 0 || step == lastChecked) continue;
        spacing.regular = step % spacing.smallest == 0;
        lastChecked = step;
    }
    return spacing;
}

BarsSpacing CheckTimeframeFits(const BarColumns& bars, const TimeframeBuckets& buckets) {
    const BarsSpacing spacing = SpacingOf(bars.dateTimes);
    if (spacing.smallest == 0) return spacing;
    const Timeframe& timeframe = buckets.timeframe();
    const std::string name = FormatTimeframe(timeframe);
    if (NominalLength(timeframe) < spacing.smallest)
        throw TimeframeError(fmt::format("the bars are {}; {} is finer", SpacingText(spacing), name));
    if (!spacing.regular) return spacing;
    if (!HoldsWholeBars(timeframe, spacing.smallest))
        throw TimeframeError(fmt::format("the bars are {}; {} is not a whole multiple of {}", SpacingText(spacing),
                                         name, DurationText(spacing.smallest)));
    if (!spacing.wholeDays()) CheckNoBarIsSplit(bars.dateTimes, buckets, spacing);
    return spacing;
}

BarAggregator::BarAggregator(const TimeframeBuckets& buckets, BarsSpacing spacing)
    : buckets_(buckets), spacing_(spacing) {}

// Room for the buckets regular bars without gaps fill, so the columns of a
// long chart grow once rather than by doubling.
void BarAggregator::ReserveBuckets(BarColumns& buckets, int32_t sources) const {
    const int64_t perBucket =
        spacing_.smallest > 0 ? std::max<int64_t>(NominalLength(buckets_.timeframe()) / spacing_.smallest, 1) : 1;
    const auto count = static_cast<size_t>(sources / perBucket + 1);
    buckets.dateTimes.reserve(count);
    for (RecordColumn<float>* column : {&buckets.open, &buckets.high, &buckets.low, &buckets.close, &buckets.volume})
        column->reserve(count);
}

bool BarAggregator::JoinsOpenBucket(int64_t dateTime) {
    // Bars of whole days go by the nearest day start, which their date-time
    // may lie before: their bucket is looked up every time.
    if (!spacing_.wholeDays() && span_.Holds(dateTime)) return true;
    const BucketSpan span = buckets_.SpanOf(dateTime, spacing_.wholeDays());
    const bool same = span.start == span_.start;
    span_ = span;
    return same;
}

BarColumns BarAggregator::Start(const BarColumns& sources) {
    BarColumns buckets;
    sourceCount_ = sources.size();
    if (sourceCount_ == 0) return buckets;
    ReserveBuckets(buckets, sourceCount_);
    int32_t first = 0;  // the open bucket's first source bar
    double volume = 0;  // summed wider, so that sums of sums repeat the sum of all
    for (int32_t i = 0; i < sourceCount_; ++i) {
        const Bar source = sources.At(i);
        if (i > 0 && JoinsOpenBucket(source.dateTime)) {
            Merge(bucket_, source);
            volume += source.volume;
            continue;
        }
        if (i > 0) {
            bucket_.volume = static_cast<float>(volume);
            buckets.Append(bucket_);
        } else {
            span_ = buckets_.SpanOf(source.dateTime, spacing_.wholeDays());
        }
        bucket_ = Bar{span_.start, source.open, source.high, source.low, source.close, 0};
        volume = source.volume;
        first = i;
    }
    // The open bucket again, as revisions need it: its bars before the last, and the last.
    hasEarlier_ = first < sourceCount_ - 1;
    if (hasEarlier_) {
        earlier_ = sources.At(first);
        earlierVolume_ = earlier_.volume;
        for (int32_t i = first + 1; i < sourceCount_ - 1; ++i) {
            Merge(earlier_, sources.At(i));
            earlierVolume_ += sources.volume[static_cast<size_t>(i)];
        }
    }
    last_ = sources.At(sourceCount_ - 1);
    MakeBucket();
    buckets.Append(bucket_);
    return buckets;
}

BarAggregator::Step BarAggregator::Add(const Bar& source) {
    const bool joins = sourceCount_ > 0 && JoinsOpenBucket(source.dateTime);
    if (sourceCount_ == 0) span_ = buckets_.SpanOf(source.dateTime, spacing_.wholeDays());
    ++sourceCount_;
    if (joins && hasEarlier_) {
        Merge(earlier_, last_);
        earlierVolume_ += last_.volume;
    } else if (joins) {
        earlier_ = last_, earlierVolume_ = last_.volume, hasEarlier_ = true;
    } else {
        hasEarlier_ = false;
    }
    last_ = source;
    MakeBucket();
    return joins ? Step::kRevised : Step::kOpened;
}

void BarAggregator::ReviseLastSource(const Bar& source) {
    last_ = Bar{last_.dateTime, source.open, source.high, source.low, source.close, source.volume};
    MakeBucket();
}

void BarAggregator::MakeBucket() {
    if (!hasEarlier_) {
        bucket_ = Bar{span_.start, last_.open, last_.high, last_.low, last_.close, last_.volume};
        return;
    }
    bucket_ = Bar{span_.start, earlier_.open, earlier_.high, earlier_.low, earlier_.close, 0};
    Merge(bucket_, last_);
    bucket_.volume = static_cast<float>(earlierVolume_ + last_.volume);
}

BarColumns AggregateBars(const BarColumns& sources, const TimeframeBuckets& buckets) {
    return BarAggregator(buckets, CheckTimeframeFits(sources, buckets)).Start(sources);
}

}  // namespace kovra::host
