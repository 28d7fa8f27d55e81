// Everything `kovra` prints as its result goes through here, so that a full
// disk or a closed pipe is noticed: a failed or short write is a runtime
// failure with a message (a closed pipe's SIGPIPE, left at its default, ends
// the program quietly first).
#pragma once

#include <string_view>

namespace kovra::app {

// Writes all of `text` to standard output; throws CommandFailure(kExitFailure).
void WriteStandardOutput(std::string_view text);
// Flushes what went through the C and C++ streams (printf, help texts) and
// checks that all of it was written; throws CommandFailure(kExitFailure).
void FlushStandardOutput();

}  // namespace kovra::app
