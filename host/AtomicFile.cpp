#include "host/AtomicFile.h"

#include <atomic>
#include <cerrno>
#include <cstring>
#include <stdexcept>

#include <fcntl.h>
#include <unistd.h>

#include <fmt/format.h>

namespace kovra::host {
namespace {

[[noreturn]] void Fail(const std::string& path, std::string_view what, int error) {
    throw std::runtime_error(fmt::format("cannot write '{}': {}: {}", path, what, std::strerror(error)));
}

// A name beside the target, unique within this process and, by the process id, across processes.
std::string TemporaryNameFor(const std::string& path) {
    static std::atomic<uint64_t> counter{0};
    const size_t slash = path.rfind('/');
    const size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    return fmt::format("{}.{}.tmp-{}-{}", path.substr(0, nameStart), path.substr(nameStart), getpid(), counter++);
}

void WriteAll(int descriptor, std::string_view contents, const std::string& path) {
    while (!contents.empty()) {
        const ssize_t written = write(descriptor, contents.data(), contents.size());
        if (written < 0 && errno == EINTR) continue;
        if (written < 0) Fail(path, "write failed", errno);
        contents.remove_prefix(static_cast<size_t>(written));
    }
}

// Removes the temporary file unless the rename took it over.
class TemporaryFile {
public:
    explicit TemporaryFile(const std::string& path) : path_(path) {
        for (int attempt = 0; descriptor_ < 0; ++attempt) {
            name_ = TemporaryNameFor(path);
            descriptor_ = open(name_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
            if (descriptor_ < 0 && (errno != EEXIST || attempt == 100)) Fail(path, "cannot create a temporary file", errno);
        }
    }
    ~TemporaryFile() {
        if (descriptor_ >= 0) close(descriptor_);
        if (!name_.empty()) unlink(name_.c_str());
    }
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;

    void Write(std::string_view contents) { WriteAll(descriptor_, contents, path_); }

    void Commit() {
        if (fsync(descriptor_) != 0) Fail(path_, "cannot flush to disk", errno);
        const int closed = close(descriptor_);
        descriptor_ = -1;
        if (closed != 0) Fail(path_, "cannot close the temporary file", errno);
        if (rename(name_.c_str(), path_.c_str()) != 0) Fail(path_, "cannot replace the file", errno);
        name_.clear();
    }

private:
    const std::string& path_;
    std::string name_;
    int descriptor_ = -1;
};

}  // namespace

void WriteFileAtomically(const std::string& path, std::string_view contents) {
    if (path.empty() || path.back() == '/') Fail(path, "not a file name", EINVAL);
    TemporaryFile file(path);
    file.Write(contents);
    file.Commit();
}

}  // namespace kovra::host
