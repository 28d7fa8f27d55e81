#include "fuzz/FuzzBarsCsv.h"

#include <exception>
#include <string_view>

#include "host/bars/BarsCsv.h"

namespace kovra::fuzz {

namespace {

constexpr const char* kSourceName = "fuzz.csv";

// The loader refuses a bar whose open or close lies outside [low, high].
bool OutOfRange(const host::BarColumns& bars, size_t i) {
    const auto outside = [&](float price) { return price < bars.low[i] || price > bars.high[i]; };
    return outside(bars.open[i]) || outside(bars.close[i]);
}

std::string CheckBars(const host::LoadedBars& loaded) {
    const host::BarColumns& bars = loaded.bars;
    const size_t count = bars.dateTimes.size();
    if (bars.open.size() != count || bars.high.size() != count || bars.low.size() != count ||
        bars.close.size() != count || bars.volume.size() != count)
        return "columns of different lengths";
    if (loaded.priceDecimals < 0 || loaded.priceDecimals > 9)
        return "price decimals " + std::to_string(loaded.priceDecimals) + " outside 0..9";
    for (size_t i = 0; i < count; ++i)
        if (OutOfRange(bars, i)) return "bar " + std::to_string(i) + " has its open or close outside [low, high]";
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
