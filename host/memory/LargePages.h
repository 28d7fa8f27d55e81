// Storage for columns and series of millions of values, filled in large
// pages where the system offers them on request: one page fault per 2 MiB
// instead of per 4 KiB when the memory is first touched. The record's arrays
// of a large page or more take their memory here (RecordArrays.h).
#pragma once

#include <cstddef>

namespace kovra::host {

inline constexpr size_t kLargePageBytes = size_t{2} << 20;

// Memory of at least `bytes` (>= kLargePageBytes) in large pages asked for,
// aligned to a cache line; throws std::bad_alloc. Freed by FreeLargePages.
void* AllocateLargePages(size_t bytes);
void FreeLargePages(void* memory);

}  // namespace kovra::host
