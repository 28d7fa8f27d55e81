// Bars as the host keeps them: one bar's values, and a chart's bars as the
// columns the record's price and date-time series point into.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "host/memory/RecordArrays.h"

namespace kovra::host {

// One bar's values.
struct Bar {
    int64_t dateTime;  // microseconds since 1899-12-30 00:00:00
    float open, high, low, close, volume;
};

// Bars as columns, the layout the record's series point into.
struct BarColumns {
    RecordColumn<int64_t> dateTimes;  // microseconds since 1899-12-30 00:00:00
    RecordColumn<float> open, high, low, close, volume;

    int32_t size() const { return static_cast<int32_t>(dateTimes.size()); }
    void Append(int64_t dateTime, float o, float h, float l, float c, float v = 0) {
        if (dateTimes.size() == dateTimes.capacity()) {
            const size_t count = dateTimes.size() + 1;
            MakeRoom(dateTimes, count);
            for (RecordColumn<float>* column : {&open, &high, &low, &close, &volume}) MakeRoom(*column, count);
        }
        dateTimes.push_back(dateTime);
        open.push_back(o);
        high.push_back(h);
        low.push_back(l);
        close.push_back(c);
        volume.push_back(v);
    }
    void Append(const Bar& bar) { Append(bar.dateTime, bar.open, bar.high, bar.low, bar.close, bar.volume); }
    Bar At(int32_t index) const {
        const auto i = static_cast<size_t>(index);
        return Bar{dateTimes[i], open[i], high[i], low[i], close[i], volume[i]};
    }
    // Bars from .. to-1, in columns of their own size.
    BarColumns Slice(int32_t from, int32_t to) const {
        BarColumns part;
        const auto first = static_cast<ptrdiff_t>(from), last = static_cast<ptrdiff_t>(to);
        part.dateTimes.assign(dateTimes.begin() + first, dateTimes.begin() + last);
        part.open.assign(open.begin() + first, open.begin() + last);
        part.high.assign(high.begin() + first, high.begin() + last);
        part.low.assign(low.begin() + first, low.begin() + last);
        part.close.assign(close.begin() + first, close.begin() + last);
        part.volume.assign(volume.begin() + first, volume.begin() + last);
        return part;
    }
};

}  // namespace kovra::host
