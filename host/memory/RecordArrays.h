// Where the record's arrays get their memory: the bar columns, the inputs,
// the subgraphs and their series, the control bar and the persistent
// integers. Normally the heap, and large pages for arrays of a large page or
// more (a chart of millions of bars). A conformance check instead places each array
// alone between inaccessible guard pages, so that a study reaching outside
// an array faults at once rather than corrupting its neighbour.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <new>
#include <vector>

namespace kovra::host {

// How arrays allocated from now on are placed.
enum class GuardPages : uint8_t {
    kNone,         // on the heap
    kAfterArray,   // the array ends where a guard page starts: an index past the end faults
    kBeforeArray,  // the array starts where a guard page ends: a negative index faults
};

// Sets the placement for this process; kNone until set. Arrays already
// allocated keep theirs and are freed the way they were allocated.
void PlaceRecordArrays(GuardPages placement);

// The data of the guarded array whose guard pages or data hold `address`;
// found = false for any other address. Safe to call from a signal handler
// while no other thread allocates.
struct GuardedArray {
    bool found = false;
    const std::byte* begin = nullptr;
    const std::byte* end = nullptr;
};
GuardedArray GuardedArrayAround(const void* address);

namespace detail {
void* AllocateRecordArray(size_t bytes, size_t alignment);
void FreeRecordArray(void* data, size_t bytes, size_t alignment);
}  // namespace detail

// The allocator of the record's arrays: the heap unless guard pages were asked
// for (one relaxed atomic load per allocation, nothing per element).
template <typename Element>
struct RecordArrayAllocator {
    using value_type = Element;
    RecordArrayAllocator() = default;
    template <typename Other>
    RecordArrayAllocator(const RecordArrayAllocator<Other>&) noexcept {}

    Element* allocate(size_t count) {
        if (count > SIZE_MAX / sizeof(Element)) throw std::bad_array_new_length();
        return static_cast<Element*>(detail::AllocateRecordArray(count * sizeof(Element), alignof(Element)));
    }
    void deallocate(Element* data, size_t count) noexcept {
        detail::FreeRecordArray(data, count * sizeof(Element), alignof(Element));
    }
    friend bool operator==(const RecordArrayAllocator&, const RecordArrayAllocator&) { return true; }
};

// A column of the record: one element per bar, input, subgraph or button.
template <typename Element>
using RecordColumn = std::vector<Element, RecordArrayAllocator<Element>>;

// Room for `count` elements in `column`. A column that must grow past its
// capacity grows by an eighth (at least to `count`) rather than doubling, so a
// live chart of millions of bars keeps close to the memory its values need
// while appending stays amortised constant time.
template <typename Element>
void MakeRoom(RecordColumn<Element>& column, size_t count) {
    if (count > column.capacity()) column.reserve(std::max(count, column.capacity() + column.capacity() / 8));
}

// The persistent integers of one study instance, by key.
using PersistentIntegers =
    std::map<int32_t, int32_t, std::less<int32_t>, RecordArrayAllocator<std::pair<const int32_t, int32_t>>>;

}  // namespace kovra::host
