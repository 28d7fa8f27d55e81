// The placement of the record's arrays: on the heap by default; between guard
// pages when a check asks, so that an index outside the array faults on the
// side it is guarded; and every array freed the way it was allocated, across
// a change of placement.
#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>

#include "host/memory/RecordArrays.h"

namespace {

using kovra::host::GuardedArrayAround;
using kovra::host::GuardPages;
using kovra::host::PlaceRecordArrays;
using kovra::host::RecordColumn;

// Reads element `index` of a fresh array of 10 placed by `placement`; a
// fault ends the process with the signal (a sanitizer's handler set aside).
void ReadElement(GuardPages placement, int index) {
    std::signal(SIGSEGV, SIG_DFL);
    PlaceRecordArrays(placement);
    const RecordColumn<float> values(10, 1.0f);
    const volatile float* data = values.data();
    std::exit(data[index] == 1.0f ? 0 : 3);
}

TEST(GuardPages, AnIndexPastTheEndFaultsWhenGuardedAfter) {
    EXPECT_EXIT(ReadElement(GuardPages::kAfterArray, 10), ::testing::KilledBySignal(SIGSEGV), "");
    EXPECT_EXIT(ReadElement(GuardPages::kAfterArray, 9), ::testing::ExitedWithCode(0), "");
}

TEST(GuardPages, ANegativeIndexFaultsWhenGuardedBefore) {
    EXPECT_EXIT(ReadElement(GuardPages::kBeforeArray, -1), ::testing::KilledBySignal(SIGSEGV), "");
    EXPECT_EXIT(ReadElement(GuardPages::kBeforeArray, 0), ::testing::ExitedWithCode(0), "");
}

TEST(GuardPages, ArraysAreFreedTheWayTheyWereAllocatedAcrossAChangeOfPlacement) {
    RecordColumn<int64_t> onHeap(100, 7);
    PlaceRecordArrays(GuardPages::kAfterArray);
    RecordColumn<int64_t> guarded(100, 8);
    const kovra::host::GuardedArray found = GuardedArrayAround(guarded.data() + 100);
    PlaceRecordArrays(GuardPages::kNone);
    EXPECT_TRUE(found.found);
    EXPECT_EQ(found.begin, reinterpret_cast<const std::byte*>(guarded.data()));
    EXPECT_FALSE(GuardedArrayAround(onHeap.data()).found);
    onHeap = RecordColumn<int64_t>(50, 1);   // frees the heap array while a guarded one lives
    guarded = RecordColumn<int64_t>(50, 2);  // frees the guarded one after the placement changed
    EXPECT_FALSE(GuardedArrayAround(found.begin).found);
    EXPECT_EQ(onHeap[49] + guarded[49], 3);
}

}  // namespace
