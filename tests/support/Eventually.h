// Waiting in tests for what another thread does.
#pragma once

#include <chrono>
#include <thread>

namespace kovra::testing {

// Waits up to `limit` for `done`, checking every few milliseconds; whether it came.
template <typename Condition>
bool Eventually(Condition done, std::chrono::milliseconds limit = std::chrono::milliseconds(5000)) {
    const auto until = std::chrono::steady_clock::now() + limit;
    while (!done()) {
        if (std::chrono::steady_clock::now() > until) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

}  // namespace kovra::testing
