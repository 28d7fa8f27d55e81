#include "host/scan/Workers.h"

#include <algorithm>
#include <atomic>
#include <thread>
#include <vector>

namespace kovra::host {

void RunOnWorkers(size_t count, int32_t jobs, const std::function<void(size_t index)>& work) {
    std::atomic<size_t> next{0};
    const auto worker = [&] {
        for (size_t index = next++; index < count; index = next++) work(index);
    };
    const size_t workers = std::min<size_t>(static_cast<size_t>(std::max(jobs, 1)), std::max<size_t>(count, 1));
    std::vector<std::jthread> pool;
    for (size_t i = 1; i < workers; ++i) pool.emplace_back(worker);
    worker();
}  // the pool joins every worker as it goes

}  // namespace kovra::host
