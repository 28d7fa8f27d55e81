// The lane-wise window scan behind ScanWindowExtremes and
// ScanAdjacentWindows, in a header so that
// each instruction set's version (study/WindowScanVersions.h) is built from
// one template at the vector width its registers hold.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <utility>

namespace kovra::study::window_scan {

// The narrowest vector: four floats, what every x86-64 processor holds in one register.
constexpr size_t kNarrowestLaneBytes = 16;

// `value` when it beats `kept`.
template <bool kGreatest>
inline float Keep(float kept, float value) {
    if constexpr (kGreatest)
        return value > kept ? value : kept;
    else
        return value < kept ? value : kept;
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

// Floats in one register of each instruction set the scan is built for.
// (Spelled out per width: GCC drops a vector size that depends on a template
// argument.) A vector wider than the registers the compiler splits into
// scalar code with spills.
template <size_t kLaneBytes>
struct LanesOf;
template <>
struct LanesOf<16> {
    using Type = float __attribute__((vector_size(16)));
};
template <>
struct LanesOf<32> {
    using Type = float __attribute__((vector_size(32)));
};
template <>
struct LanesOf<64> {
    using Type = float __attribute__((vector_size(64)));
};

template <size_t kLaneBytes>
struct LaneScan {
    using Lanes = typename LanesOf<kLaneBytes>::Type;
    static constexpr size_t kLaneCount = kLaneBytes / sizeof(float);
    // Four accumulators: independent chains, enough to hide the compare latency.
    static constexpr size_t kAccumulators = 4;
    static constexpr size_t kBlock = kLaneCount * kAccumulators;

    // Lane by lane as Keep. (By reference: vectors passed by value would tie
    // a function built for the baseline to an ABI it does not have.)
    template <bool kGreatest>
    __attribute__((always_inline)) static void KeepLanes(Lanes& kept, const Lanes& value) {
        if constexpr (kGreatest)
            kept = value > kept ? value : kept;
        else
            kept = value < kept ? value : kept;
    }

    // Lane j meets lane j + kStep, for every j below kStep.
    template <bool kGreatest, size_t kStep, size_t... kLane>
    __attribute__((always_inline)) static void FoldHalf(Lanes& all, std::index_sequence<kLane...>) {
        KeepLanes<kGreatest>(all, __builtin_shufflevector(all, all, (kLane % kStep + kStep)...));
    }

    // Then lane j meets lane j + kLaneCount / 2, ..., j + 1, in registers.
    template <bool kGreatest, size_t kStep = kLaneCount / 2>
    __attribute__((always_inline)) static float Fold(Lanes& all) {
        if constexpr (kStep == 0) {
            return all[0];
        } else {
            FoldHalf<kGreatest, kStep>(all, std::make_index_sequence<kLaneCount>{});
            return Fold<kGreatest, kStep / 2>(all);
        }
    }

    // What a front-to-back scan from `start` keeps (see ScanWindowExtremes).
    template <bool kGreatest>
    __attribute__((always_inline)) static float Scan(const float* data, size_t count, float start) {
        if (count < kLaneCount) {
            if constexpr (kLaneBytes > kNarrowestLaneBytes) {
                return LaneScan<kLaneBytes / 2>::template Scan<kGreatest>(data, count, start);
            } else {
                float kept = start;
                for (size_t i = 0; i < count; ++i) kept = Keep<kGreatest>(kept, data[i]);
                return FirstZeroIfZero(kept, data, count);
            }
        }
        Lanes accumulators[kAccumulators];
        for (Lanes& lanes : accumulators) lanes = Lanes{} + start;
        const auto take = [data](Lanes& lanes, size_t at) {
            Lanes block;
            std::memcpy(&block, data + at, sizeof block);
            KeepLanes<kGreatest>(lanes, block);
        };
        // The first vector as it lies, then from the first value on a vector
        // boundary on, so that no load straddles two cache lines.
        take(accumulators[0], 0);
        size_t i = kLaneCount - reinterpret_cast<uintptr_t>(data) / sizeof(float) % kLaneCount;
        for (; i + kBlock <= count; i += kBlock) {
#pragma GCC unroll 4
            for (size_t a = 0; a < kAccumulators; ++a) take(accumulators[a], i + a * kLaneCount);
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
        return FirstZeroIfZero(Fold<kGreatest>(accumulators[0]), data, count);
    }
};

template <size_t kLaneBytes, bool kGreatest>
__attribute__((always_inline)) inline float Scan(std::span<const float> values, float start) {
    return LaneScan<kLaneBytes>::template Scan<kGreatest>(values.data(), values.size(), start);
}

}  // namespace kovra::study::window_scan
