// Independent pieces of work on a pool of threads: each worker takes the next
// index not yet taken and runs it whole; the calling thread is a worker too.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>

namespace kovra::host {

// Runs work(0) .. work(count - 1) on min(jobs, count) threads (at least one)
// and returns when every one has finished. `work` is called on several
// threads at once, each index exactly once.
void RunOnWorkers(size_t count, int32_t jobs, const std::function<void(size_t index)>& work);

}  // namespace kovra::host
