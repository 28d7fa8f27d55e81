// Source bars into the buckets of a timeframe: which timeframes the bars
// allow, all of them at once, and one more at a time as real-time bars arrive.
// A bucket's bar has the open of its first source bar, the highest high, the
// lowest low, the close of its last bar and the sum of the volumes; its
// date-time is the bucket's start. Buckets no source bar falls in are left out.
#pragma once

#include <cstdint>

#include "host/bars/BarColumns.h"
#include "host/bars/Timeframe.h"

namespace kovra::host {

// How far apart bars lie.
struct BarsSpacing {
    int64_t smallest = 0;  // the smallest step forward from one bar to the next; 0 with fewer than two date-times
    bool regular = false;  // every step forward is a whole multiple of `smallest`
    // Bars a day or more apart: each stands for a whole day.
    bool wholeDays() const;
};

BarsSpacing SpacingOf(const RecordColumn<int64_t>& dateTimes);

// The spacing of `bars`, when the buckets take them: a timeframe shorter than
// the bars, one not a whole multiple of regular bars, and buckets whose edges
// fall inside a regular intraday bar are refused with TimeframeError, e.g.
// "the bars are 5-minute; 2m is finer". Irregular bars fit any timeframe not
// shorter than their smallest step: each falls into the bucket of its date-time.
BarsSpacing CheckTimeframeFits(const BarColumns& bars, const TimeframeBuckets& buckets);

// Consecutive source bars whose date-times share a bucket make one bar. A
// wall clock that repeats an hour (daylight saving ending) repeats its
// buckets as its bars do; a bucket that holds both passes of the hour holds
// them in one bar.
class BarAggregator {
public:
    enum class Step { kRevised, kOpened };

    // `spacing` tells bars of whole days from shorter ones (see TimeframeBuckets::SpanOf).
    BarAggregator(const TimeframeBuckets& buckets, BarsSpacing spacing);

    // Every bucket of `sources`, in order, forgetting the bars taken before.
    BarColumns Start(const BarColumns& sources);
    // A source bar after the last one: it joins the last bucket or opens a new one.
    Step Add(const Bar& source);
    // The last source bar's prices and volume become `source`'s (its date-time
    // stays), and the last bucket is made again. Precondition: a bar was taken.
    void ReviseLastSource(const Bar& source);

    const Bar& lastBucket() const { return bucket_; }  // meaningful once a bar was taken
    const Bar& lastSource() const { return last_; }    // likewise
    int32_t sourceCount() const { return sourceCount_; }
    const BarsSpacing& spacing() const { return spacing_; }

private:
    // Whether a bar dated `dateTime` belongs to the open bucket; otherwise the
    // bucket it opens becomes span_.
    bool JoinsOpenBucket(int64_t dateTime);
    void ReserveBuckets(BarColumns& buckets, int32_t sources) const;
    // The open bucket's bar: its earlier source bars' (if any) with the last one's.
    void MakeBucket();

    TimeframeBuckets buckets_;
    BarsSpacing spacing_;
    BucketSpan span_;
    // The open bucket: its source bars before the last one, made into one bar
    // (when there are any; the volume summed wider), and its last source bar,
    // the one a revision changes.
    bool hasEarlier_ = false;
    Bar earlier_{};
    double earlierVolume_ = 0;
    Bar last_{};
    Bar bucket_{};
    int32_t sourceCount_ = 0;
};

// Check and aggregation in one: CheckTimeframeFits, then every bucket. Throws TimeframeError.
BarColumns AggregateBars(const BarColumns& sources, const TimeframeBuckets& buckets);

}  // namespace kovra::host
