#include "host/serve/FollowedFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include <fmt/format.h>

#include "host/bars/BarsCsv.h"

namespace kovra::host {

namespace {

constexpr size_t kMaxLineBytes = 1 << 20;

bool Blank(const std::string& line) { return line.find_first_not_of(" \t\r") == std::string::npos; }

// Reads [offset, end of file) of `path`; nullopt when the file cannot be read.
std::optional<std::string> ReadFrom(const std::string& path, uint64_t& offset, bool& shrank) {
    const int descriptor = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (descriptor < 0) return std::nullopt;
    struct stat status {};
    std::string data;
    if (::fstat(descriptor, &status) == 0) {
        const auto size = static_cast<uint64_t>(status.st_size);
        shrank = size < offset;
        if (shrank) offset = size;
        char chunk[1 << 16];
        for (;;) {
            const ssize_t count = ::pread(descriptor, chunk, sizeof chunk, static_cast<off_t>(offset + data.size()));
            if (count <= 0) break;
            data.append(chunk, static_cast<size_t>(count));
        }
    }
    ::close(descriptor);
    offset += data.size();
    return data;
}

}  // namespace

FollowedFile::FollowedFile(std::string path, Warn warn, BarsLoadOptions options)
    : path_(std::move(path)), warn_(std::move(warn)), options_(std::move(options)) {
    options_.progress = nullptr;
    bool shrank = false;
    const std::optional<std::string> contents = ReadFrom(path_, offset_, shrank);
    if (!contents)
        throw BarsLoadError(fmt::format("{}: cannot follow the bar file: {}", path_, std::strerror(errno)));
    // The header is the first line that is neither blank nor a # comment; a
    // byte-order mark before it is dropped.
    size_t start = contents->compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
    while (start < contents->size()) {
        const size_t end = std::min(contents->find('\n', start), contents->size());
        const std::string line = contents->substr(start, end - start);
        if (header_.empty() && !Blank(line) && line.front() != '#') header_ = line;
        start = end + 1;
    }
    if (header_.empty()) throw BarsLoadError(fmt::format("{}: cannot follow the bar file: it has no header row", path_));
    for (const char c : *contents) lineNumber_ += c == '\n' ? 1 : 0;
}

std::vector<Bar> FollowedFile::ReadAppended() {
    bool shrank = false;
    const std::optional<std::string> appended = ReadFrom(path_, offset_, shrank);
    if (shrank) {
        warn_(fmt::format("{}: the bar file got shorter; following it from its new end", path_));
        partial_.clear();
    }
    std::vector<Bar> bars;
    if (!appended || appended->empty()) return bars;
    partial_ += *appended;
    size_t start = 0;
    for (size_t end; (end = partial_.find('\n', start)) != std::string::npos; start = end + 1) {
        ++lineNumber_;
        const std::string line = partial_.substr(start, end - start);
        if (Blank(line)) continue;
        if (std::optional<Bar> bar = ParseLine(line)) bars.push_back(*bar);
    }
    partial_.erase(0, start);
    if (partial_.size() > kMaxLineBytes) {
        warn_(fmt::format("{}:{}: a line longer than {} bytes; skipped", path_, lineNumber_ + 1, kMaxLineBytes));
        partial_.clear();
    }
    return bars;
}

// The line read with the file's header row by the bar loader itself, so an
// appended line means exactly what it would mean in the file.
std::optional<Bar> FollowedFile::ParseLine(const std::string& line) {
    const std::string lineName = fmt::format("{}:{}", path_, lineNumber_);
    try {
        const LoadedBars loaded = ParseBarsCsv(header_ + "\n" + line + "\n", path_, options_);
        if (loaded.bars.size() == 1) return loaded.bars.At(0);
        warn_(fmt::format("{}: not one bar; skipped", lineName));
    } catch (const BarsLoadError& error) {
        // The loader names the line as line 2 of its two-line text.
        std::string message = error.what();
        const std::string asRead = path_ + ":2:";
        if (message.compare(0, asRead.size(), asRead) == 0) message = lineName + ":" + message.substr(asRead.size());
        warn_(fmt::format("{}; skipped", message));
    }
    return std::nullopt;
}

}  // namespace kovra::host
