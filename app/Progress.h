// Progress of long work (a big bar file, a long recalculation, many ticks) on
// standard error: only when it is a terminal, only once the work has taken
// more than a second, at most ten redraws a second; the line is cleared when done.
#pragma once

#include <chrono>
#include <string_view>

namespace kovra::app {

class Progress {
public:
    // Shows nothing unless `wanted` and standard error is a terminal.
    explicit Progress(bool wanted);
    ~Progress() { Clear(); }
    Progress(const Progress&) = delete;
    Progress& operator=(const Progress&) = delete;

    // `done` of `total` units of the stage `what` ("loading bars"), shown as a percentage.
    void Update(std::string_view what, int64_t done, int64_t total);
    void Clear();

private:
    using Clock = std::chrono::steady_clock;
    bool enabled_;
    bool shown_ = false;
    Clock::time_point started_ = Clock::now();
    Clock::time_point lastDrawn_{};
};

}  // namespace kovra::app
