// Every check runs in a child process of its own, so that whatever the study
// does there (crash, abort, hang, exit) ends that process and not kovra.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <string_view>

#include "host/check/CheckVerdict.h"

namespace kovra::host {

// Runs `body` in a child process and returns its verdict, or a failure telling
// how the child ended without one: killed by a signal (the crash report names
// the call), stopped at the time limit, or exited. The child's standard output
// goes nowhere; its error output gives a crash its telling line (a sanitizer's
// report, say). A process the body starts itself ends with the child's group
// at the time limit.
CheckVerdict RunInChild(const std::function<CheckVerdict()>& body, std::chrono::milliseconds timeLimit);

// A verdict as the child writes it to the parent.
struct VerdictView {
    Verdict verdict;
    bool crashed;
    bool hasBar;
    int64_t bar;
    std::string_view reason, value, payload;
};
// Writes it to `fd` in the form RunInChild reads. Async-signal-safe: only
// write(2), nothing allocated.
void WriteVerdict(int fd, const VerdictView& verdict);

}  // namespace kovra::host
