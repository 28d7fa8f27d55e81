#include "host/memory/RecordArrays.h"

#include <sys/mman.h>
#include <unistd.h>

#include <atomic>
#include <mutex>

#include "host/memory/LargePages.h"

namespace kovra::host {

namespace {

std::atomic<GuardPages> placement{GuardPages::kNone};
// Guarded arrays alive; while none is, freeing goes straight to the heap.
std::atomic<size_t> guardedAlive{0};

struct Mapping {
    std::byte* base;
    size_t length;
    size_t bytes;  // the array's own
};

// By the address of each guarded array's data. Never destroyed: an array
// may be freed while the process's statics are.
std::mutex mappingsLock;
std::map<const std::byte*, Mapping>& Mappings() {
    static auto* mappings = new std::map<const std::byte*, Mapping>;
    return *mappings;
}

size_t PageSize() {
    static const size_t size = static_cast<size_t>(::sysconf(_SC_PAGESIZE));
    return size;
}

void* HeapAllocate(size_t bytes, size_t alignment) {
    if (alignment > __STDCPP_DEFAULT_NEW_ALIGNMENT__) return ::operator new(bytes, std::align_val_t(alignment));
    return ::operator new(bytes);
}

void HeapFree(void* data, size_t alignment) {
    if (alignment > __STDCPP_DEFAULT_NEW_ALIGNMENT__)
        ::operator delete(data, std::align_val_t(alignment));
    else
        ::operator delete(data);
}

// A mapping of the array's pages with one inaccessible page on each side; the
// array touches the guard on the side `where` says.
void* GuardedAllocate(size_t bytes, GuardPages where) {
    const size_t page = PageSize();
    const size_t dataPages = bytes == 0 ? 1 : (bytes + page - 1) / page;
    const size_t length = (dataPages + 2) * page;
    void* mapped = ::mmap(nullptr, length, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (mapped == MAP_FAILED) throw std::bad_alloc();
    auto* base = static_cast<std::byte*>(mapped);
    if (::mprotect(base, page, PROT_NONE) != 0 || ::mprotect(base + (dataPages + 1) * page, page, PROT_NONE) != 0) {
        ::munmap(mapped, length);
        throw std::bad_alloc();
    }
    // Every element size is a multiple of its alignment, so an array ending
    // on a page boundary starts aligned.
    std::byte* data = where == GuardPages::kAfterArray ? base + (dataPages + 1) * page - bytes : base + page;
    const std::lock_guard<std::mutex> hold(mappingsLock);
    Mappings().emplace(data, Mapping{base, length, bytes});
    guardedAlive.fetch_add(1, std::memory_order_relaxed);
    return data;
}

}  // namespace

void PlaceRecordArrays(GuardPages where) { placement.store(where, std::memory_order_relaxed); }

GuardedArray GuardedArrayAround(const void* address) {
    const auto* at = static_cast<const std::byte*>(address);
    for (const auto& [data, mapping] : Mappings())
        if (at >= mapping.base && at < mapping.base + mapping.length) return {true, data, data + mapping.bytes};
    return {};
}

namespace detail {

void* AllocateRecordArray(size_t bytes, size_t alignment) {
    const GuardPages where = placement.load(std::memory_order_relaxed);
    if (where != GuardPages::kNone) return GuardedAllocate(bytes, where);
    return bytes >= kLargePageBytes ? AllocateLargePages(bytes) : HeapAllocate(bytes, alignment);
}

void FreeRecordArray(void* data, size_t bytes, size_t alignment) {
    if (guardedAlive.load(std::memory_order_relaxed) != 0) {
        const std::lock_guard<std::mutex> hold(mappingsLock);
        const auto found = Mappings().find(static_cast<const std::byte*>(data));
        if (found != Mappings().end()) {
            ::munmap(found->second.base, found->second.length);
            Mappings().erase(found);
            guardedAlive.fetch_sub(1, std::memory_order_relaxed);
            return;
        }
    }
    if (bytes >= kLargePageBytes)
        FreeLargePages(data);
    else
        HeapFree(data, alignment);
}

}  // namespace detail

}  // namespace kovra::host
