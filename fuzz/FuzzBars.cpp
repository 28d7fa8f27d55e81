#include "fuzz/FuzzBars.h"

#include <algorithm>
#include <cmath>

#include "fuzz/FuzzPrices.h"

namespace kovra::fuzz {

namespace {

constexpr int64_t kMinute = 60LL * 1000000;
constexpr int64_t kFirstDateTime = 45366LL * 86400 * 1000000 + 570 * kMinute;  // 2024-03-15 09:30

// xorshift32: the walk is fixed by its seed alone.
struct Walk {
    uint32_t state;
    float Unit() {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        return static_cast<float>(state >> 8) / 16777216.0f;
    }
};

// A minute after the last bar; wraps instead of overflowing after an odd date-time.
int64_t NextDateTime(const host::BarColumns& bars) {
    if (bars.size() == 0) return kFirstDateTime;
    return static_cast<int64_t>(static_cast<uint64_t>(bars.dateTimes.back()) + static_cast<uint64_t>(kMinute));
}

void AppendWalkBar(host::BarColumns& bars, Walk& walk, float base, float step) {
    const bool first = bars.size() == 0;
    const float open = first ? base : bars.close.back();
    const float close = open + step * (walk.Unit() - 0.5f);
    const float high = std::max(open, close) + step * walk.Unit();
    const float low = std::min(open, close) - step * walk.Unit();
    bars.Append(NextDateTime(bars), open, high, low, close);
}

void ApplyPatch(FuzzInput& input, host::BarColumns& bars) {
    const auto count = static_cast<uint32_t>(bars.size());
    if (count == 0) return;
    const uint8_t kind = input.Byte() % 6;
    const uint32_t first = input.Below(count);
    const uint32_t length = kind == 0 ? 1 : std::min<uint32_t>(1 + input.Byte(), count - first);
    const float price = AwkwardPrice(input);
    const bool high = input.Flag();
    const int64_t dateTime = kind == 4 ? input.Raw<int64_t>() : 0;
    for (uint32_t i = first; i < first + length; ++i) {
        switch (kind) {
            case 0:  // one price of one bar
                (high ? bars.high : bars.low)[i] = price;
                break;
            case 1:  // flat stretch
                bars.open[i] = bars.high[i] = bars.low[i] = bars.close[i] = price;
                break;
            case 2:  // high below low
                std::swap(bars.high[i], bars.low[i]);
                break;
            case 3:  // open and close only
                bars.open[i] = price;
                bars.close[i] = -price;
                break;
            case 4:  // odd date-times: repeated, backwards or out of any calendar
                bars.dateTimes[i] = dateTime;
                break;
            default:  // no value at all
                bars.open[i] = bars.high[i] = bars.low[i] = bars.close[i] = std::nanf("");
                break;
        }
    }
}

}  // namespace

host::BarColumns FuzzBars(FuzzInput& input) {
    const auto count = static_cast<int32_t>(input.Below(kMaxFuzzBars + 1));
    const float base = AwkwardPrice(input);
    const float step = AwkwardPrice(input);
    Walk walk{input.Raw<uint32_t>() | 1u};
    host::BarColumns bars;
    for (int32_t i = 0; i < count; ++i) AppendWalkBar(bars, walk, base, step);
    const uint8_t patches = input.Byte() % 16;
    for (uint8_t i = 0; i < patches; ++i) ApplyPatch(input, bars);
    return bars;
}

void AppendFuzzBar(FuzzInput& input, host::BarColumns& bars) {
    const float price = AwkwardPrice(input);
    const float open = bars.size() == 0 ? price : bars.close.back();
    bars.Append(NextDateTime(bars), open, std::max(open, price), std::min(open, price), price);
}

void UpdateLastFuzzBar(FuzzInput& input, host::BarColumns& bars) {
    if (bars.size() == 0) return;
    const float price = AwkwardPrice(input);
    bars.close.back() = price;
    bars.high.back() = std::max(bars.high.back(), price);
    bars.low.back() = std::min(bars.low.back(), price);
}

}  // namespace kovra::fuzz
