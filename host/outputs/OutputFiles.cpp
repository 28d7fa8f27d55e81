#include "host/outputs/OutputFiles.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstring>
#include <filesystem>

#include <fmt/format.h>

#include "host/outputs/InterruptCleanup.h"

namespace kovra::host {
namespace {

namespace fs = std::filesystem;

constexpr size_t kSinkBuffer = size_t{1} << 16;
constexpr int kMaxSymlinkHops = 40;
constexpr const char* kStandardOutput = "-";

[[noreturn]] void Fail(const std::string& path, std::string_view what, int error) {
    throw OutputError(fmt::format("cannot write '{}': {}: {}", path, what, std::strerror(error)));
}
[[noreturn]] void Fail(const std::string& path, std::string_view what) {
    throw OutputError(fmt::format("cannot write '{}': {}", path, what));
}

// The file a path finally names: symlinks followed, even to a target that does not exist yet.
std::string FollowSymlinks(const std::string& path) {
    std::string current = path;
    for (int hop = 0; hop < kMaxSymlinkHops; ++hop) {
        struct stat status {};
        if (lstat(current.c_str(), &status) != 0 || !S_ISLNK(status.st_mode)) return current;
        std::error_code error;
        const fs::path target = fs::read_symlink(current, error);
        if (error) return current;
        current = target.is_absolute() ? target.string() : (fs::path(current).parent_path() / target).string();
    }
    Fail(path, "too many levels of symbolic links", ELOOP);
}

// A name beside the target, unique within this process and, by the process id, across processes.
std::string TemporaryNameFor(const std::string& target) {
    static std::atomic<uint64_t> counter{0};
    const size_t slash = target.rfind('/');
    const size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    return fmt::format("{}.{}.tmp-{}-{}", target.substr(0, nameStart), target.substr(nameStart), getpid(), counter++);
}

void WriteAll(int descriptor, std::string_view bytes, const std::string& path) {
    while (!bytes.empty()) {
        const ssize_t written = write(descriptor, bytes.data(), bytes.size());
        if (written < 0 && errno == EINTR) continue;
        if (written < 0) Fail(path, "write failed", errno);
        if (written == 0) Fail(path, "write failed", EIO);
        bytes.remove_prefix(static_cast<size_t>(written));
    }
}

}  // namespace

void OutputSink::Write(std::string_view bytes) {
    if (buffer_.size() + bytes.size() > kSinkBuffer) Flush();
    if (bytes.size() >= kSinkBuffer) return WriteAll(descriptor_, bytes, shownPath_);
    buffer_.append(bytes);
}

void OutputSink::Flush() {
    WriteAll(descriptor_, buffer_, shownPath_);
    buffer_.clear();
}

FileIdentity IdentityOf(const std::string& path) {
    struct stat status {};
    if (path == kStandardOutput)
        return fstat(STDOUT_FILENO, &status) == 0 ? FileIdentity{status.st_dev, status.st_ino, {}}
                                                  : FileIdentity{0, 0, kStandardOutput};
    if (stat(path.c_str(), &status) == 0) return {status.st_dev, status.st_ino, {}};
    std::error_code error;
    const fs::path normal = fs::weakly_canonical(fs::absolute(FollowSymlinks(path), error), error);
    return {0, 0, error ? fs::absolute(path).lexically_normal().string() : normal.string()};
}

bool IsStandardOutput(const std::string& path) {
    if (path == kStandardOutput) return true;
    struct stat named {
    }, standardOutput{};
    return stat(path.c_str(), &named) == 0 && fstat(STDOUT_FILENO, &standardOutput) == 0 &&
           named.st_dev == standardOutput.st_dev && named.st_ino == standardOutput.st_ino;
}

struct OutputFiles::Output {
    std::string path;    // as the user gave it
    std::string target;  // the file replaced or written through (symlinks followed)
    Producer produce;
    bool direct = false;  // written through: standard output, a device, a pipe
    bool standardOutput = false;
    std::string temporary;  // set while a temporary file exists
    int descriptor = -1;
    struct stat existing {};
    bool exists = false;

    ~Output() {
        if (descriptor >= 0) close(descriptor);
        if (temporary.empty()) return;
        unlink(temporary.c_str());
        ForgetTemporaryFile(temporary);
    }

    void CreateTemporary() {
        for (int attempt = 0; descriptor < 0; ++attempt) {
            const std::string name = TemporaryNameFor(target);
            WatchTemporaryFile(name);
            descriptor = open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
            if (descriptor >= 0) {
                temporary = name;
                break;
            }
            const int error = errno;
            ForgetTemporaryFile(name);
            if (error != EEXIST || attempt == 100) Fail(path, "cannot create a temporary file", error);
        }
        if (!exists) return;
        // The replacement keeps the permission bits (and for root the owner) of the file it replaces.
        if (fchmod(descriptor, existing.st_mode & 07777) != 0) Fail(path, "cannot set the permission bits", errno);
        if (geteuid() == 0 && fchown(descriptor, existing.st_uid, existing.st_gid) != 0)
            Fail(path, "cannot set the owner", errno);
    }

    void WriteTemporary() {
        OutputSink sink(descriptor, path);
        produce(sink);
        sink.Flush();
        if (fsync(descriptor) != 0) Fail(path, "cannot flush to disk", errno);
        const int closed = close(descriptor);
        descriptor = -1;
        if (closed != 0) Fail(path, "cannot close the temporary file", errno);
    }

    void WriteDirect() {
        const int out = standardOutput ? STDOUT_FILENO : open(target.c_str(), O_WRONLY | O_CLOEXEC);
        if (out < 0) Fail(path, "cannot open", errno);
        if (!standardOutput) descriptor = out;
        OutputSink sink(out, standardOutput ? "standard output" : path);
        produce(sink);
        sink.Flush();
    }

    void Replace() {
        if (rename(temporary.c_str(), target.c_str()) != 0) Fail(path, "cannot replace the file", errno);
        ForgetTemporaryFile(temporary);
        temporary.clear();
    }
};

OutputFiles::OutputFiles() = default;
OutputFiles::~OutputFiles() = default;

void OutputFiles::Add(const std::string& path, Producer produce) {
    if (path.empty() || path.back() == '/') Fail(path, "not a file name", EINVAL);
    auto output = std::make_unique<Output>();
    output->path = path;
    output->produce = std::move(produce);
    if (IsStandardOutput(path)) {
        output->direct = output->standardOutput = true;
        outputs_.push_back(std::move(output));
        return;
    }
    output->target = FollowSymlinks(path);
    struct stat& status = output->existing;
    output->exists = stat(output->target.c_str(), &status) == 0;
    if (!output->exists && errno != ENOENT) Fail(path, "cannot look at the file", errno);
    if (output->exists) {
        if (S_ISDIR(status.st_mode)) Fail(path, "it is a folder");
        if (S_ISCHR(status.st_mode) || S_ISFIFO(status.st_mode)) {
            output->direct = true;
            outputs_.push_back(std::move(output));
            return;
        }
        if (!S_ISREG(status.st_mode)) Fail(path, "it is neither a regular file, a character device nor a pipe");
        const bool writable = geteuid() == 0 ? (status.st_mode & 0222) != 0
                                             : faccessat(AT_FDCWD, output->target.c_str(), W_OK, AT_EACCESS) == 0;
        if (!writable) Fail(path, "the file is read-only; it is left as it is", EACCES);
    }
    output->CreateTemporary();
    outputs_.push_back(std::move(output));
}

void OutputFiles::WriteAll() {
    for (const auto& output : outputs_)
        if (!output->direct) output->WriteTemporary();
    for (const auto& output : outputs_)
        if (output->direct) output->WriteDirect();
    for (const auto& output : outputs_)
        if (!output->direct) output->Replace();
}

void WriteFileAtomically(const std::string& path, std::string_view contents) {
    OutputFiles files;
    files.Add(path, [contents](OutputSink& sink) { sink.Write(contents); });
    files.WriteAll();
}

}  // namespace kovra::host
