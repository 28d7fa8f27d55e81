#include "app/Progress.h"

#include <unistd.h>

#include <string>

#include <fmt/format.h>

namespace kovra::app {
namespace {

constexpr auto kQuietStart = std::chrono::seconds(1);
constexpr auto kRedrawEvery = std::chrono::milliseconds(100);

void WriteToTerminal(const std::string& text) {
    // Progress is a courtesy: a failed write to the terminal is not an error.
    [[maybe_unused]] const ssize_t ignored = write(STDERR_FILENO, text.data(), text.size());
}

}  // namespace

Progress::Progress(bool wanted) : enabled_(wanted && isatty(STDERR_FILENO) == 1) {}

void Progress::Update(std::string_view what, int64_t done, int64_t total) {
    if (!enabled_) return;
    const Clock::time_point now = Clock::now();
    if (now - started_ < kQuietStart || now - lastDrawn_ < kRedrawEvery) return;
    lastDrawn_ = now;
    shown_ = true;
    const double percent = total > 0 ? 100.0 * static_cast<double>(done) / static_cast<double>(total) : 0.0;
    WriteToTerminal(fmt::format("\r\x1b[Kkovra: {} {:.0f}%", what, percent));
}

void Progress::Clear() {
    if (!shown_) return;
    shown_ = false;
    WriteToTerminal("\r\x1b[K");
}

}  // namespace kovra::app
