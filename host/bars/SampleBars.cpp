// Five sessions of one-minute bars of an index-future-like instrument, made by a
// seeded generator with its own integer random numbers so every machine builds
// the same bars: prices on a 0.25 grid, a gap at each open, busier first half
// hours, and stretches that are quiet, choppy or trending.
#include "host/bars/SampleBars.h"

#include <algorithm>
#include <cstdint>

#include "host/bars/SplitMix64.h"
#include "host/text/DateTimes.h"

namespace kovra::host {
namespace {

constexpr double kTick = 0.25;
constexpr int64_t kStartTicks = 4800 * 4;
constexpr int32_t kSessionCount = 5;
constexpr CivilDate kFirstSession{2024, 3, 11};  // a Monday; the sessions run Monday to Friday
constexpr int64_t kSessionOpenMinute = 9 * 60 + 30;
constexpr int32_t kBarsPerSession = 390;  // 09:30 to 16:00
constexpr uint64_t kSeed = 0x4B6F7672614D5254;

// Integer draws from the shared fully specified generator (std:: distributions differ between libraries).
class Random {
public:
    explicit Random(uint64_t seed) : generator_(seed) {}
    // 0 .. bound-1 (bound > 0); the modulo bias is negligible for these bounds.
    int64_t Below(int64_t bound) { return static_cast<int64_t>(generator_.Next() % static_cast<uint64_t>(bound)); }
    int64_t Between(int64_t low, int64_t high) { return low + Below(high - low + 1); }

private:
    SplitMix64 generator_;
};

// A stretch of bars with one character: how wide the moves are and where they lean.
struct Regime {
    int32_t barsLeft = 0;
    int32_t activity = 1;  // number of ±2-tick steps summed per bar
    int32_t lean = 0;      // -1 down, 0 none, +1 up: one extra tick in that direction 3 bars in 4
};

Regime NextRegime(Random& random) {
    Regime regime;
    regime.barsLeft = static_cast<int32_t>(random.Between(15, 75));
    switch (random.Below(4)) {
        case 0:
            regime.activity = 1;
            break;  // quiet
        case 1:
            regime.activity = 3;
            break;  // choppy
        default:
            regime.activity = 2;
            regime.lean = random.Below(2) == 0 ? -1 : 1;
            break;  // trending
    }
    return regime;
}

struct Bar {
    int64_t open, high, low, close, volume;
};

Bar NextBar(Random& random, Regime& regime, int64_t open, int32_t minuteOfSession) {
    if (regime.barsLeft-- == 0) regime = NextRegime(random);
    const int32_t activity = regime.activity * (minuteOfSession < 30 ? 2 : 1);
    int64_t move = regime.lean != 0 && random.Below(4) != 0 ? regime.lean : 0;
    for (int32_t step = 0; step < activity; ++step) move += random.Between(-2, 2);
    const int64_t close = open + move;
    const int64_t upperWick = std::min(random.Below(activity + 2), random.Below(activity + 2));
    const int64_t lowerWick = std::min(random.Below(activity + 2), random.Below(activity + 2));
    // Busy at the open and the close, slow at midday.
    const int64_t fromMidday = std::abs(minuteOfSession - kBarsPerSession / 2);
    const int64_t volume = (400 + 12 * fromMidday) * activity + random.Below(600);
    return Bar{open, std::max(open, close) + upperWick, std::min(open, close) - lowerWick, close, volume};
}

LoadedBars GenerateSampleBars() {
    LoadedBars sample;
    sample.priceDecimals = 2;
    Random random(kSeed);
    Regime regime;
    int64_t price = kStartTicks;
    const int64_t firstDay = DaysSince18991230(kFirstSession);
    for (int32_t session = 0; session < kSessionCount; ++session) {
        price += random.Between(-24, 24);  // overnight gap
        for (int32_t minute = 0; minute < kBarsPerSession; ++minute) {
            const Bar bar = NextBar(random, regime, price, minute);
            const int64_t dateTime = (firstDay + session) * kMicrosecondsPerDay +
                                     (kSessionOpenMinute + minute) * 60 * kMicrosecondsPerSecond;
            sample.bars.Append(dateTime, static_cast<float>(bar.open * kTick), static_cast<float>(bar.high * kTick),
                               static_cast<float>(bar.low * kTick), static_cast<float>(bar.close * kTick),
                               static_cast<float>(bar.volume));
            price = bar.close;
        }
    }
    return sample;
}

}  // namespace

const LoadedBars& SampleBars() {
    static const LoadedBars sample = GenerateSampleBars();
    return sample;
}

}  // namespace kovra::host
