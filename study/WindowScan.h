// The lane-wise window scan behind ScanWindowExtremes, in a header so that
// each instruction set's version can be built and checked on its own.
#pragma once

#include <cstring>
#include <span>

namespace kovra::study::window_scan {

// Four accumulators of sixteen lanes: independent chains the compiler keeps
// in vector registers (one each with AVX-512, two with AVX2), enough to hide
// the compare latency.
using Lanes = float __attribute__((vector_size(64)));
constexpr int kLaneCount = 16;
constexpr int kAccumulators = 4;
constexpr int kBlock = kLaneCount * kAccumulators;

// `value` when it beats `kept`.
template <bool kGreatest>
inline float Keep(float kept, float value) {
    if constexpr (kGreatest) return value > kept ? value : kept;
    else return value < kept ? value : kept;
}

// The same, lane by lane. (By reference: vectors passed by value would tie
// the default clone to an ABI it does not have.)
template <bool kGreatest>
inline void KeepLanes(Lanes& kept, const Lanes& value) {
    if constexpr (kGreatest) kept = value > kept ? value : kept;
    else kept = value < kept ? value : kept;
}

// The lanes saw the values out of order, and some twice. That cannot change
// the result's value, only which of two equal values is kept, and the only
// equal floats that differ are +0 and -0: a front-to-back scan keeps the first zero.
inline float FirstZeroIfZero(float kept, const float* data, size_t count) {
    if (kept == 0.0f) {
        for (size_t j = 0; j < count; ++j)
            if (data[j] == 0.0f) return data[j];
    }
    return kept;
}

// Fewer values than one vector of lanes: four lanes at a time, the last four
// overlapping the ones before when the count is not a multiple of four.
template <bool kGreatest>
__attribute__((always_inline)) inline float ScanShort(const float* data, size_t count, float start) {
    using Quarter = float __attribute__((vector_size(16)));
    constexpr size_t kQuarter = 4;
    float kept = start;
    if (count < kQuarter) {
        for (size_t i = 0; i < count; ++i) kept = Keep<kGreatest>(kept, data[i]);
        return FirstZeroIfZero(kept, data, count);
    }
    Quarter lanes = Quarter{} + start;
    const auto take = [&](const float* at) {
        Quarter block;
        std::memcpy(&block, at, sizeof block);
        if constexpr (kGreatest) lanes = block > lanes ? block : lanes;
        else lanes = block < lanes ? block : lanes;
    };
    size_t i = 0;
    for (; i + kQuarter <= count; i += kQuarter) take(data + i);
    if (i < count) take(data + count - kQuarter);
    for (const float value : {lanes[0], lanes[1], lanes[2], lanes[3]}) kept = Keep<kGreatest>(kept, value);
    return FirstZeroIfZero(kept, data, count);
}

// What a front-to-back scan from `start` keeps (see ScanWindowExtremes).
template <bool kGreatest>
__attribute__((always_inline)) inline float Scan(std::span<const float> values, float start) {
    const float* data = values.data();
    const auto count = values.size();
    if (count < static_cast<size_t>(kLaneCount)) return ScanShort<kGreatest>(data, count, start);
    Lanes accumulators[kAccumulators];
    for (Lanes& lanes : accumulators) lanes = Lanes{} + start;
    const auto take = [data](Lanes& lanes, size_t at) {
        Lanes block;
        std::memcpy(&block, data + at, sizeof block);
        KeepLanes<kGreatest>(lanes, block);
    };
    size_t i = 0;
    for (; i + kBlock <= count; i += kBlock) {
#pragma GCC unroll 4
        for (int a = 0; a < kAccumulators; ++a) take(accumulators[a], i + a * kLaneCount);
    }
    // The rest a vector at a time, the last one ending at the last value:
    // a value met twice cannot change the extremes.
    for (; i + kLaneCount <= count; i += kLaneCount) take(accumulators[0], i);
    if (i < count) take(accumulators[1], count - kLaneCount);
    // The lanes hold no not-a-number, so any order of combining them gives
    // the same value; a tree keeps the dependency chain short.
    KeepLanes<kGreatest>(accumulators[0], accumulators[1]);
    KeepLanes<kGreatest>(accumulators[2], accumulators[3]);
    KeepLanes<kGreatest>(accumulators[0], accumulators[2]);
    // Then lane j meets lane j + 8, j + 4, j + 2, j + 1, in registers.
    Lanes& all = accumulators[0];
    KeepLanes<kGreatest>(all, __builtin_shufflevector(all, all, 8, 9, 10, 11, 12, 13, 14, 15, 8, 9, 10, 11, 12, 13,
                                                      14, 15));
    KeepLanes<kGreatest>(all, __builtin_shufflevector(all, all, 4, 5, 6, 7, 4, 5, 6, 7, 4, 5, 6, 7, 4, 5, 6, 7));
    KeepLanes<kGreatest>(all, __builtin_shufflevector(all, all, 2, 3, 2, 3, 2, 3, 2, 3, 2, 3, 2, 3, 2, 3, 2, 3));
    KeepLanes<kGreatest>(all, __builtin_shufflevector(all, all, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1));
    return FirstZeroIfZero(all[0], data, count);
}

}  // namespace kovra::study::window_scan
