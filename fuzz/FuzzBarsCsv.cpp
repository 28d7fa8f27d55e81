#include "fuzz/FuzzBarsCsv.h"

#include <exception>
#include <string_view>

#include "host/bars/BarsCsv.h"

namespace kovra::fuzz {

namespace {

constexpr const char* kSourceName = "fuzz.csv";

// High below the low, the open or the close, the way the loader counts it.
bool BadRange(const host::BarColumns& bars, size_t i) {
    return bars.high[i] < bars.low[i] || bars.high[i] < bars.open[i] || bars.high[i] < bars.close[i];
}

std::string CheckBars(const host::LoadedBars& loaded) {
    const host::BarColumns& bars = loaded.bars;
    const size_t count = bars.dateTimes.size();
    if (bars.open.size() != count || bars.high.size() != count || bars.low.size() != count ||
        bars.close.size() != count || bars.volume.size() != count)
        return "columns of different lengths";
    if (loaded.priceDecimals < 0 || loaded.priceDecimals > 9)
        return "price decimals " + std::to_string(loaded.priceDecimals) + " outside 0..9";
    int64_t badRange = 0;
    for (size_t i = 0; i < count; ++i) badRange += BadRange(bars, i) ? 1 : 0;
    if (loaded.badRangeBars != badRange)
        return "bad-range count " + std::to_string(loaded.badRangeBars) + ", bars show " + std::to_string(badRange);
    return {};
}

std::string CheckMessage(std::string_view message) {
    if (message.empty()) return "empty error message";
    if (message.find('\n') != std::string_view::npos) return "error message spans lines: " + std::string(message);
    if (message.find(kSourceName) == std::string_view::npos)
        return "error message does not name the source: " + std::string(message);
    return {};
}

}  // namespace

std::string CheckBarsCsvInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    try {
        return CheckBars(host::ParseBarsCsv(text, kSourceName));
    } catch (const host::BarsLoadError& error) {
        return CheckMessage(error.what());
    } catch (const std::exception& error) {
        return std::string("escaped as another exception: ") + error.what();
    }
}

}  // namespace kovra::fuzz
