#include "host/check/ChildProcess.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <exception>
#include <string>
#include <system_error>

#include <fmt/format.h>

#include "host/check/CrashReport.h"
#include "host/check/FixedText.h"

namespace kovra::host {

namespace {

// The child's error output kept for its telling line: the last this many bytes.
constexpr size_t kKeptErrorBytes = 64 * 1024;
constexpr size_t kTellingLineLength = 160;

// The fixed part of a verdict on the wire; the three texts follow it.
struct VerdictHeader {
    uint8_t verdict;
    uint8_t crashed;
    uint8_t hasBar;
    int64_t bar;
    uint64_t reasonLength, valueLength, payloadLength;
};

// The verdict pipe of the check this process runs, closed in a child it starts.
int ownVerdictFd = -1;

void WriteAll(int fd, const void* bytes, size_t length) {
    const auto* at = static_cast<const char*>(bytes);
    while (length > 0) {
        const ssize_t written = ::write(fd, at, length);
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) return;
        at += written;
        length -= static_cast<size_t>(written);
    }
}

struct Pipe {
    int read = -1, write = -1;
    Pipe() {
        int ends[2];
        if (::pipe2(ends, O_CLOEXEC) != 0) throw std::system_error(errno, std::generic_category(), "pipe");
        read = ends[0];
        write = ends[1];
    }
    ~Pipe() {
        if (read >= 0) ::close(read);
        if (write >= 0) ::close(write);
    }
    void CloseWrite() {
        ::close(write);
        write = -1;
    }
};

[[noreturn]] void RunChild(const std::function<CheckVerdict()>& body, int verdictFd, int errorFd) {
    ::setpgid(0, 0);
    if (ownVerdictFd >= 0) ::close(ownVerdictFd);
    ownVerdictFd = verdictFd;
    const int nowhere = ::open("/dev/null", O_WRONLY);
    ::dup2(nowhere, STDOUT_FILENO);
    ::dup2(errorFd, STDERR_FILENO);
    ReportCrashesTo(verdictFd);
    CheckVerdict verdict;
    try {
        verdict = body();
    } catch (const std::exception& error) {
        verdict = CheckVerdict::Fail(std::string("the check could not go on: ") + error.what());
    }
    WriteVerdict(verdictFd, {verdict.verdict, verdict.crashed, verdict.bar.has_value(), verdict.bar.value_or(0),
                             verdict.reason, verdict.value, verdict.payload});
    ::_exit(0);
}

// Reads both pipes until the child closes them; false when the deadline came first.
bool ReadUntilClosed(int verdictFd, int errorFd, std::string& record, std::string& errors,
                     std::chrono::steady_clock::time_point deadline) {
    pollfd fds[2] = {{verdictFd, POLLIN, 0}, {errorFd, POLLIN, 0}};
    std::string* into[2] = {&record, &errors};
    int open = 2;
    while (open > 0) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) return false;
        const int ready = ::poll(fds, 2, static_cast<int>(std::min<int64_t>(left.count(), 1000)));
        if (ready < 0 && errno != EINTR) throw std::system_error(errno, std::generic_category(), "poll");
        for (int i = 0; i < 2 && ready > 0; ++i) {
            if (fds[i].fd < 0 || fds[i].revents == 0) continue;
            char buffer[8192];
            const ssize_t got = ::read(fds[i].fd, buffer, sizeof buffer);
            if (got < 0 && errno == EINTR) continue;
            if (got <= 0) {
                fds[i].fd = -1;
                --open;
                continue;
            }
            into[i]->append(buffer, static_cast<size_t>(got));
            if (i == 1 && errors.size() > 2 * kKeptErrorBytes) errors.erase(0, errors.size() - kKeptErrorBytes);
        }
    }
    return true;
}

std::optional<CheckVerdict> ParseVerdict(const std::string& record) {
    VerdictHeader header;
    if (record.size() < sizeof header) return std::nullopt;
    std::memcpy(&header, record.data(), sizeof header);
    const uint64_t texts = header.reasonLength + header.valueLength + header.payloadLength;
    if (texts != record.size() - sizeof header) return std::nullopt;
    CheckVerdict verdict;
    verdict.verdict = static_cast<Verdict>(header.verdict);
    verdict.crashed = header.crashed != 0;
    if (header.hasBar != 0) verdict.bar = header.bar;
    size_t at = sizeof header;
    auto take = [&](uint64_t length) {
        std::string text = record.substr(at, length);
        at += length;
        return text;
    };
    verdict.reason = take(header.reasonLength);
    verdict.value = take(header.valueLength);
    verdict.payload = take(header.payloadLength);
    return verdict;
}

// The lines of the child's error output that tell most: the first report of
// a sanitizer or of the runtime, and the last line.
struct TellingLines {
    std::string report;
    std::string last;
};
TellingLines TellingLinesOf(const std::string& errors) {
    TellingLines telling;
    size_t start = 0;
    while (start < errors.size()) {
        const size_t end = std::min(errors.find('\n', start), errors.size());
        const std::string line = errors.substr(start, std::min(end - start, kTellingLineLength));
        start = end + 1;
        if (line.find_first_not_of(" \t\r") == std::string::npos) continue;
        const bool report = line.find("ERROR:") != std::string::npos ||
                            line.find("runtime error:") != std::string::npos ||
                            line.find("terminate called") != std::string::npos;
        if (report && telling.report.empty()) telling.report = line;
        telling.last = line;
    }
    return telling;
}

CheckVerdict Crashed(std::string reason, const std::string& errors) {
    const TellingLines telling = TellingLinesOf(errors);
    if (const std::string& line = telling.report.empty() ? telling.last : telling.report; !line.empty())
        reason += ": " + line;
    CheckVerdict verdict = CheckVerdict::Fail(std::move(reason));
    verdict.crashed = true;
    return verdict;
}

}  // namespace

void WriteVerdict(int fd, const VerdictView& verdict) {
    const VerdictHeader header{static_cast<uint8_t>(verdict.verdict),
                               verdict.crashed,
                               verdict.hasBar,
                               verdict.bar,
                               verdict.reason.size(),
                               verdict.value.size(),
                               verdict.payload.size()};
    WriteAll(fd, &header, sizeof header);
    WriteAll(fd, verdict.reason.data(), verdict.reason.size());
    WriteAll(fd, verdict.value.data(), verdict.value.size());
    WriteAll(fd, verdict.payload.data(), verdict.payload.size());
}

CheckVerdict RunInChild(const std::function<CheckVerdict()>& body, std::chrono::milliseconds timeLimit) {
    Pipe verdictPipe, errorPipe;
    std::fflush(nullptr);  // nothing buffered is written twice
    const pid_t child = ::fork();
    if (child < 0) throw std::system_error(errno, std::generic_category(), "fork");
    if (child == 0) RunChild(body, verdictPipe.write, errorPipe.write);
    ::setpgid(child, child);  // also here: the group must exist before a kill at the time limit
    verdictPipe.CloseWrite();
    errorPipe.CloseWrite();

    std::string record, errors;
    const bool finished =
        ReadUntilClosed(verdictPipe.read, errorPipe.read, record, errors, std::chrono::steady_clock::now() + timeLimit);
    if (!finished) {
        ::kill(-child, SIGKILL);
        ::kill(child, SIGKILL);
    }
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    if (!finished)
        return Crashed(fmt::format("no verdict within {} s: the study hangs or is far too slow",
                                   std::chrono::duration<double>(timeLimit).count()),
                       errors);
    if (std::optional<CheckVerdict> verdict = ParseVerdict(record)) {
        // A crash the child reported itself may follow a sanitizer's report.
        if (const std::string report = TellingLinesOf(errors).report; verdict->crashed && !report.empty())
            verdict->reason += ": " + report;
        return *verdict;
    }
    if (WIFSIGNALED(status)) {
        FixedText text;
        text << "crashed with ";
        text.Signal(WTERMSIG(status));
        return Crashed(std::string(text.view()), errors);
    }
    return Crashed(fmt::format("the check's process ended with exit code {}", WEXITSTATUS(status)), errors);
}

}  // namespace kovra::host
