#include "app/StandardOutput.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <string>

#include "app/Commands.h"

namespace kovra::app {

namespace {

[[noreturn]] void FailWriting(int error) {
    throw CommandFailure(std::string("cannot write to standard output: ") + std::strerror(error), kExitFailure);
}

}  // namespace

void WriteStandardOutput(std::string_view text) {
    FlushStandardOutput();  // what the streams hold comes first
    while (!text.empty()) {
        const ssize_t written = write(STDOUT_FILENO, text.data(), text.size());
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) FailWriting(written < 0 ? errno : EIO);
        text.remove_prefix(static_cast<size_t>(written));
    }
}

void FlushStandardOutput() {
    errno = 0;
    std::cout.flush();
    const bool failed = std::fflush(stdout) != 0 || std::ferror(stdout) != 0 || std::cout.fail();
    if (!failed) return;
    const int error = errno != 0 ? errno : EIO;
    std::clearerr(stdout);
    std::cout.clear();
    FailWriting(error);
}

}  // namespace kovra::app
