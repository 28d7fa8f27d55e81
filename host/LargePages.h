// Storage for columns and series of millions of values, filled in large
// pages where the system offers them on request: one page fault per 2 MiB
// instead of per 4 KiB when the memory is first touched.
#pragma once

#include <cstddef>
#include <memory>

namespace kovra::host {

inline constexpr size_t kLargePageBytes = size_t{2} << 20;

// Asks for large pages over the whole pages within [start, start + bytes).
void AdviseLargePages(void* start, size_t bytes);

// Memory of at least `bytes` (>= kLargePageBytes) in large pages asked for,
// aligned to a cache line; throws std::bad_alloc. Freed by FreeLargePages.
void* AllocateLargePages(size_t bytes);
void FreeLargePages(void* memory);

// For std::vector: storage of a large page or more in large pages, anything
// smaller from the heap.
template <typename Value>
struct LargePageAllocator {
    using value_type = Value;

    LargePageAllocator() = default;
    template <typename Other>
    LargePageAllocator(const LargePageAllocator<Other>&) {}

    Value* allocate(size_t count) {
        if (count * sizeof(Value) < kLargePageBytes) return std::allocator<Value>{}.allocate(count);
        return static_cast<Value*>(AllocateLargePages(count * sizeof(Value)));
    }
    void deallocate(Value* values, size_t count) {
        if (count * sizeof(Value) < kLargePageBytes) return std::allocator<Value>{}.deallocate(values, count);
        FreeLargePages(values);
    }

    friend bool operator==(const LargePageAllocator&, const LargePageAllocator&) { return true; }
};

}  // namespace kovra::host
