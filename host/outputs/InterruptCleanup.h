// Temporary files that must not outlive an interrupted run: SIGINT or SIGTERM
// removes them and ends the program with 130 or 143 (128 + the signal).
#pragma once

#include <string>

namespace kovra::host {

// Installs the handlers (once per program).
void RemoveTemporaryFilesOnInterrupt();

// Adds and drops a path the handlers remove. At most 16 at a time; beyond
// that a path is not watched (a run has three outputs at most).
void WatchTemporaryFile(const std::string& path);
void ForgetTemporaryFile(const std::string& path);

}  // namespace kovra::host
