#include <iterator>

#include <fmt/format.h>

#include "host/bars/BarsCsv.h"
#include "host/text/DateTimeText.h"

namespace kovra::host {

std::string FormatBarsCsv(const LoadedBars& loaded) {
    const BarColumns& bars = loaded.bars;
    fmt::memory_buffer out;
    out.append(std::string_view("datetime,open,high,low,close,volume\n"));
    for (size_t bar = 0; bar < bars.dateTimes.size(); ++bar) {
        AppendDateTime(out, bars.dateTimes[bar]);
        for (const float price : {bars.open[bar], bars.high[bar], bars.low[bar], bars.close[bar]})
            fmt::format_to(std::back_inserter(out), ",{:.{}f}", price, loaded.priceDecimals);
        fmt::format_to(std::back_inserter(out), ",{:.9g}\n", bars.volume[bar]);
    }
    return fmt::to_string(out);
}

}  // namespace kovra::host
