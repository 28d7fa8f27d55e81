// A file mapped into memory that another program shortens while it is read:
// reading a mapped page past the file's new end raises SIGBUS, which would end
// the program. While a MappedFileGuard covers a mapping (on the thread that
// reads it), such pages read as zeros instead and the guard remembers it, so
// the reader can refuse the file and go on. A SIGBUS anywhere else goes on to
// the handler there was before the first guard (host/InterruptCleanup.h's,
// which removes the temporary files), or ends the program.
#pragma once

#include <cstddef>

namespace kovra::host {

class MappedFileGuard {
public:
    // Covers [start, start + bytes) of a mapping the caller made and unmaps
    // after the guard ends; at most one guard per thread at a time.
    MappedFileGuard(const void* start, size_t bytes);
    ~MappedFileGuard();
    MappedFileGuard(const MappedFileGuard&) = delete;
    MappedFileGuard& operator=(const MappedFileGuard&) = delete;

    // Whether pages past the file's end were read (as zeros).
    bool shortened() const;
};

}  // namespace kovra::host
