#include "host/serve/FollowedFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include <fmt/format.h>

#include "host/bars/BarsCsv.h"

namespace kovra::host {

namespace {

constexpr size_t kMaxLineBytes = 1 << 20;
// Bytes before the read end compared on every look: a rewrite in place (or a
// new file that got the old one's inode) almost surely changes them.
constexpr size_t kBytesCompared = 64;

bool Blank(const std::string& line) { return line.find_first_not_of(" \t\r") == std::string::npos; }

class Descriptor {
public:
    explicit Descriptor(const std::string& path) : descriptor_(::open(path.c_str(), O_RDONLY | O_CLOEXEC)) {}
    ~Descriptor() {
        if (descriptor_ >= 0) ::close(descriptor_);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return descriptor_; }

private:
    int descriptor_;
};

// The bytes from `offset` to the end of the file.
std::string ReadFrom(int descriptor, uint64_t offset) {
    std::string data;
    char chunk[1 << 16];
    for (;;) {
        const ssize_t count = ::pread(descriptor, chunk, sizeof chunk, static_cast<off_t>(offset + data.size()));
        if (count < 0 && errno == EINTR) continue;
        if (count <= 0) return data;
        data.append(chunk, static_cast<size_t>(count));
    }
}

// The bytes of `count` from `offset` (fewer at the end of the file).
std::string ReadSome(int descriptor, uint64_t offset, size_t count) {
    std::string bytes(count, '\0');
    ssize_t got = 0;
    do got = ::pread(descriptor, bytes.data(), count, static_cast<off_t>(offset));
    while (got < 0 && errno == EINTR);
    bytes.resize(got > 0 ? static_cast<size_t>(got) : 0);
    return bytes;
}

// The line ends in the file's first `size` bytes.
int64_t LinesIn(int descriptor, uint64_t size) {
    int64_t lines = 0;
    constexpr size_t kChunk = 1 << 16;
    for (uint64_t offset = 0; offset < size; offset += kChunk) {
        const std::string chunk =
            ReadSome(descriptor, offset, static_cast<size_t>(std::min<uint64_t>(kChunk, size - offset)));
        if (chunk.empty()) break;
        lines += std::count(chunk.begin(), chunk.end(), '\n');
    }
    return lines;
}

// The header is the first line that is neither blank nor a # comment; a
// byte-order mark before it is dropped. Empty when there is none.
std::string HeaderOf(const std::string& contents) {
    for (size_t start = contents.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0; start < contents.size();) {
        const size_t end = std::min(contents.find('\n', start), contents.size());
        std::string line = contents.substr(start, end - start);
        if (!Blank(line) && line.front() != '#') return line;
        start = end + 1;
    }
    return {};
}

}  // namespace

FollowedFile::FollowedFile(std::string path, Warn warn, BarsLoadOptions options, std::optional<uint64_t> from)
    : path_(std::move(path)), warn_(std::move(warn)), options_(std::move(options)) {
    options_.progress = nullptr;
    const Descriptor file(path_);
    struct stat status {};
    if (file.get() < 0 || ::fstat(file.get(), &status) != 0)
        throw BarsLoadError(fmt::format("{}: cannot follow the bar file: {}", path_, std::strerror(errno)));
    // Only the file's start (up to its header row) and end are read: a
    // workspace follows many files, and what lies between is loaded already.
    const auto size = static_cast<uint64_t>(status.st_size);
    std::string head;
    while (head.size() < size && (HeaderOf(head).empty() || head.find('\n') == std::string::npos) &&
           head.size() <= kMaxLineBytes)
        head += ReadSome(file.get(), head.size(), 1 << 16);
    header_ = HeaderOf(head);
    if (header_.empty())
        throw BarsLoadError(fmt::format("{}: cannot follow the bar file: it has no header row", path_));
    // A file shorter than what was read is found rewritten at the first look.
    const uint64_t start = from.value_or(size);
    const uint64_t compared = std::min<uint64_t>(std::min(start, size), kBytesCompared);
    Start(StampOf(status), start, ReadSome(file.get(), start - compared, compared), std::nullopt);
}

FollowedFile::Stamp FollowedFile::StampOf(const struct stat& status) {
    return {status.st_dev, status.st_ino, status.st_size,
            status.st_mtim.tv_sec * 1'000'000'000 + status.st_mtim.tv_nsec};
}

// Follows the file from the end of `contents`, its bytes from the start.
void FollowedFile::Start(const Stamp& stamp, uint64_t offset, std::string before, std::optional<int64_t> lines) {
    read_ = stamp;
    offset_ = startOffset_ = offset;
    before_ = std::move(before);
    startLines_ = lines;
    linesRead_ = 0;
    partial_.clear();
}

int64_t FollowedFile::LineNumber() {
    if (!startLines_) {
        const Descriptor file(path_);
        startLines_ = file.get() < 0 ? 0 : LinesIn(file.get(), startOffset_);
    }
    return *startLines_ + linesRead_;
}

FollowedChange FollowedFile::ReadChanges() {
    FollowedChange change;
    const Descriptor file(path_);
    struct stat status {};
    if (file.get() < 0 || ::fstat(file.get(), &status) != 0) return change;  // not there now: waited for
    const Stamp stamp = StampOf(status);
    if (failedReload_) {
        if (stamp != *failedReload_) change.reloaded = Reload(file.get(), stamp);
        return change;
    }
    const bool replaced = stamp.device != read_.device || stamp.inode != read_.inode ||
                          static_cast<uint64_t>(stamp.size) < offset_ || !SameBytesBefore(file.get());
    if (replaced) {
        change.reloaded = Reload(file.get(), stamp);
        return change;
    }
    const std::string appended = ReadFrom(file.get(), offset_);
    read_ = stamp;
    offset_ += appended.size();
    before_ += appended;
    before_.erase(0, before_.size() - std::min(before_.size(), kBytesCompared));
    change.appended = ReadLines(appended);
    return change;
}

bool FollowedFile::SameBytesBefore(int descriptor) const {
    std::string bytes(before_.size(), '\0');
    const auto count = ::pread(descriptor, bytes.data(), bytes.size(), static_cast<off_t>(offset_ - before_.size()));
    return count == static_cast<ssize_t>(bytes.size()) && bytes == before_;
}

// The whole file's complete lines, as the bar loader reads a file; the rest is
// read as an appended line once its line end comes.
std::optional<BarColumns> FollowedFile::Reload(int descriptor, const Stamp& stamp) {
    std::string contents = ReadFrom(descriptor, 0);
    contents.erase(contents.rfind('\n') + 1);  // npos + 1: nothing complete yet
    failedReload_ = stamp;
    if (contents.empty()) return std::nullopt;  // just created: its lines are still to come
    BarsLoadOptions options = options_;
    options.numberMarks.reset();  // the new file tells its own decimal mark
    try {
        LoadedBars loaded = ParseBarsCsv(contents, path_, options);
        failedReload_.reset();
        options_.numberMarks = loaded.numberMarks;
        header_ = HeaderOf(contents);
        Start(stamp, contents.size(), contents.substr(contents.size() - std::min(contents.size(), kBytesCompared)),
              std::count(contents.begin(), contents.end(), '\n'));
        warn_(fmt::format("{}: the bar file was replaced or got shorter; loaded its {} bar(s) again", path_,
                          loaded.bars.size()));
        return std::move(loaded.bars);
    } catch (const BarsLoadError& error) {
        warn_(fmt::format("{}; the chart keeps its bars until the file changes again", error.what()));
    }
    return std::nullopt;
}

std::vector<Bar> FollowedFile::ReadLines(const std::string& appended) {
    std::vector<Bar> bars;
    if (appended.empty()) return bars;
    partial_ += appended;
    size_t start = 0;
    for (size_t end; (end = partial_.find('\n', start)) != std::string::npos; start = end + 1) {
        ++linesRead_;
        const std::string line = partial_.substr(start, end - start);
        if (Blank(line)) continue;
        if (std::optional<Bar> bar = ParseLine(line)) bars.push_back(*bar);
    }
    partial_.erase(0, start);
    if (partial_.size() > kMaxLineBytes) {
        warn_(fmt::format("{}:{}: a line longer than {} bytes; skipped", path_, LineNumber() + 1, kMaxLineBytes));
        partial_.clear();
    }
    return bars;
}

// The line read with the file's header row by the bar loader itself, so an
// appended line means exactly what it would mean in the file.
std::optional<Bar> FollowedFile::ParseLine(const std::string& line) {
    const auto lineName = [this] { return fmt::format("{}:{}", path_, LineNumber()); };
    if (const size_t nul = line.find('\0'); nul != std::string::npos) {
        warn_(fmt::format("{}:{}: a NUL byte: the line is binary, not text; skipped", lineName(), nul + 1));
        return std::nullopt;
    }
    try {
        const LoadedBars loaded = ParseBarsCsv(header_ + "\n" + line + "\n", path_, options_);
        if (loaded.bars.size() == 1) return loaded.bars.At(0);
        warn_(fmt::format("{}: not one bar; skipped", lineName()));
    } catch (const BarsLoadError& error) {
        // The loader names the line as line 2 of its two-line text.
        std::string message = error.what();
        const std::string asRead = path_ + ":2:";
        if (message.compare(0, asRead.size(), asRead) == 0) message = lineName() + ":" + message.substr(asRead.size());
        warn_(fmt::format("{}; skipped", message));
    }
    return std::nullopt;
}

}  // namespace kovra::host
