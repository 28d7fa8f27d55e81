// Temporary files that must not outlive an interrupted run: SIGINT, SIGTERM
// or SIGBUS (a file read through memory got shorter, outside the bar loader's
// guard, host/MappedFileGuard.h) removes them and ends the program with 130,
// 143 or 135 (128 + the signal).
#pragma once

#include <string>

namespace kovra::host {

// Installs the handlers (once per program, before any bar file is loaded, so
// that the bar loader's SIGBUS guard passes on to it).
void RemoveTemporaryFilesOnInterrupt();

// Adds and drops a path the handlers remove. At most 16 at a time; beyond
// that a path is not watched (a run has three outputs at most).
void WatchTemporaryFile(const std::string& path);
void ForgetTemporaryFile(const std::string& path);

}  // namespace kovra::host
