#include "host/LargePages.h"

#include <sys/mman.h>

#include <cstdint>
#include <cstdlib>
#include <new>

namespace kovra::host {

void AdviseLargePages(void* start, size_t bytes) {
    const size_t page = 4096;
    const auto first = (reinterpret_cast<uintptr_t>(start) + page - 1) / page * page;
    const auto end = (reinterpret_cast<uintptr_t>(start) + bytes) / page * page;
    if (end > first) madvise(reinterpret_cast<void*>(first), end - first, MADV_HUGEPAGE);
}

void* AllocateLargePages(size_t bytes) {
    const size_t rounded = (bytes + kLargePageBytes - 1) / kLargePageBytes * kLargePageBytes;
    if (rounded < bytes) throw std::bad_alloc();
    void* memory = std::aligned_alloc(kLargePageBytes, rounded);
    if (memory == nullptr) throw std::bad_alloc();
    AdviseLargePages(memory, rounded);
    return memory;
}

void FreeLargePages(void* memory) { std::free(memory); }

}  // namespace kovra::host
