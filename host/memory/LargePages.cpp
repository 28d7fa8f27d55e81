#include "host/memory/LargePages.h"

#include <sys/mman.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <new>

namespace kovra::host {

namespace {

// Asks for large pages over the whole pages within [start, start + bytes).
void AdviseLargePages(void* start, size_t bytes) {
    const size_t page = 4096;
    const auto first = (reinterpret_cast<uintptr_t>(start) + page - 1) / page * page;
    const auto end = (reinterpret_cast<uintptr_t>(start) + bytes) / page * page;
    if (end > first) madvise(reinterpret_cast<void*>(first), end - first, MADV_HUGEPAGE);
}

// Series filled side by side, bar by bar, would each start on a large-page
// boundary, so that element n of every one fell into the same cache sets; each
// starts instead a number of small pages and cache lines past the boundary
// (its colour, taken from its address).
constexpr size_t kColours = 64;
constexpr size_t kColourStep = 4096 + 64;

}  // namespace

void* AllocateLargePages(size_t bytes) {
    const size_t needed = bytes + (kColours - 1) * kColourStep;
    const size_t rounded = (needed + kLargePageBytes - 1) / kLargePageBytes * kLargePageBytes;
    if (needed < bytes || rounded < needed) throw std::bad_alloc();
    auto* base = static_cast<std::byte*>(std::aligned_alloc(kLargePageBytes, rounded));
    if (base == nullptr) throw std::bad_alloc();
    AdviseLargePages(base, rounded);
    const size_t colour = reinterpret_cast<uintptr_t>(base) / kLargePageBytes % kColours;
    return base + colour * kColourStep;
}

void FreeLargePages(void* memory) {
    // The colour is less than a large page: the boundary below is the base.
    std::free(reinterpret_cast<void*>(reinterpret_cast<uintptr_t>(memory) / kLargePageBytes * kLargePageBytes));
}

}  // namespace kovra::host
