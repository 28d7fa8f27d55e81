// Reading a bar file: a regular file mapped into memory (guarded against its
// being shortened meanwhile), anything else (a pipe, a device) read as a
// stream up to kMaxStreamedBarBytes.
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <new>
#include <string>

#include <fmt/format.h>

#include "host/bars/BarsCsv.h"
#include "host/bars/MappedFileGuard.h"

namespace kovra::host {
namespace {

constexpr size_t kChunk = size_t{1} << 16;

class Descriptor {
public:
    explicit Descriptor(int descriptor) : descriptor_(descriptor) {}
    ~Descriptor() {
        if (descriptor_ >= 0) close(descriptor_);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return descriptor_; }

private:
    int descriptor_;
};

[[noreturn]] void FailReading(const std::string& path, int error) {
    throw BarsLoadError(fmt::format("{}: cannot read the bar file: {}", path, std::strerror(error)));
}

// A regular file's bytes as the page cache holds them: no copy, and the pages
// mapped in one go rather than one fault at a time.
class MappedFile {
public:
    MappedFile(int descriptor, size_t size, const std::string& path) : size_(size) {
        if (size_ == 0) return;
        bytes_ = mmap(nullptr, size_, PROT_READ, MAP_PRIVATE | MAP_POPULATE, descriptor, 0);
        if (bytes_ == MAP_FAILED && errno == ENOMEM) throw std::bad_alloc();
        if (bytes_ == MAP_FAILED) FailReading(path, errno);
    }
    ~MappedFile() {
        if (size_ != 0) munmap(bytes_, size_);
    }
    MappedFile(const MappedFile&) = delete;
    MappedFile& operator=(const MappedFile&) = delete;
    std::string_view text() const { return {size_ == 0 ? "" : static_cast<const char*>(bytes_), size_}; }

private:
    void* bytes_ = nullptr;
    size_t size_;
};

std::string ReadStream(int descriptor, const std::string& path) {
    std::string contents;
    for (;;) {
        const size_t have = contents.size();
        if (have > kMaxStreamedBarBytes)
            throw BarsLoadError(
                fmt::format("{}: the bar stream holds more than {} MiB, the most read from anything "
                            "but a regular file; save the bars to a file and load that",
                            path, kMaxStreamedBarBytes >> 20));
        contents.resize(have + kChunk);
        ssize_t count = 0;
        while ((count = read(descriptor, contents.data() + have, kChunk)) < 0 && errno == EINTR) {
        }
        if (count < 0) FailReading(path, errno);
        contents.resize(have + static_cast<size_t>(count));
        if (count == 0) return contents;
        // A stream that does not start as text is refused without reading a gigabyte of it.
        if (have == 0 && !StartsLikeText(contents)) return contents;
    }
}

}  // namespace

LoadedBars LoadBarsCsv(const std::string& path, const BarsLoadOptions& options) {
    const Descriptor file(open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (file.get() < 0) FailReading(path, errno);
    struct stat status {};
    if (fstat(file.get(), &status) != 0) FailReading(path, errno);
    if (S_ISDIR(status.st_mode)) FailReading(path, EISDIR);
    if (S_ISREG(status.st_mode)) {
        // A binary file (a sparse one of gigabytes, say) is refused from its first bytes, unread.
        char start[kTextCheckBytes];
        ssize_t count = 0;
        while ((count = pread(file.get(), start, sizeof start, 0)) < 0 && errno == EINTR) {
        }
        if (count < 0) FailReading(path, errno);
        const std::string_view startText(start, static_cast<size_t>(count));
        if (!StartsLikeText(startText)) return ParseBarsCsv(startText, path, options);

        const MappedFile mapped(file.get(), static_cast<size_t>(status.st_size), path);
        const MappedFileGuard guard(mapped.text().data(), mapped.text().size());
        try {
            LoadedBars bars = ParseBarsCsv(mapped.text(), path, options);
            if (!guard.shortened()) return bars;
        } catch (const BarsLoadError&) {
            // Shortened, the file reads as zeros past its end (in its last page without a SIGBUS).
            struct stat now {};
            const bool shorter = fstat(file.get(), &now) == 0 && now.st_size < status.st_size;
            if (!guard.shortened() && !shorter) throw;
        }
        throw BarsLoadError(
            fmt::format("{}: the bar file got shorter while it was read; replace a bar file by "
                        "writing a new one and renaming it over the old",
                        path));
    }
    return ParseBarsCsv(ReadStream(file.get(), path), path, options);
}

}  // namespace kovra::host
