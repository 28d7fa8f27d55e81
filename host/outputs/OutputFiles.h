// Output files that never destroy data. Every output of a run goes to a
// temporary file beside its target first; the targets are replaced (renamed
// over) only once every output has been written whole, and any failure or
// interruption removes the temporary files and leaves every target as it was.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace kovra::host {

// A failure writing an output; the message names the path and the reason.
struct OutputError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// Buffered writes to one output; a failed or short write throws OutputError.
class OutputSink {
public:
    OutputSink(int descriptor, std::string shownPath) : descriptor_(descriptor), shownPath_(std::move(shownPath)) {}
    void Write(std::string_view bytes);
    void Flush();

private:
    int descriptor_;
    std::string shownPath_;
    std::string buffer_;
};

// What a path stands for, to tell whether two paths name the same file:
// device and inode when it exists (symlinks followed), otherwise its absolute
// path with "." and ".." and symlinked folders resolved. "-" is standard
// output, the same as /dev/stdout or /proc/self/fd/1.
struct FileIdentity {
    uint64_t device = 0, inode = 0;
    std::string path;  // set when the file does not exist (or for "-")
    bool operator==(const FileIdentity&) const = default;
};
FileIdentity IdentityOf(const std::string& path);

// Whether an output path is this process's standard output: "-", or another
// name of the file standard output is (/dev/stdout, /proc/self/fd/1, or the
// file it was redirected to). Such an output is written through, as "-" is.
bool IsStandardOutput(const std::string& path);

class OutputFiles {
public:
    using Producer = std::function<void(OutputSink&)>;

    OutputFiles();
    ~OutputFiles();  // removes every temporary file not renamed yet
    OutputFiles(const OutputFiles&) = delete;
    OutputFiles& operator=(const OutputFiles&) = delete;

    // Prepares an output. Standard output (see IsStandardOutput), a character device (such as
    // /dev/null) or a pipe is written through directly; a symlink is followed and
    // its target replaced; a regular file (or a new name) gets its temporary
    // file now, so an unwritable folder fails before any work. A folder, a file
    // the user may not write (for root: one no one may write) or another kind of
    // file throws OutputError.
    void Add(const std::string& path, Producer produce);
    // Writes every temporary file, then the direct outputs, then renames the
    // temporary files over their targets, keeping each replaced file's
    // permission bits. Throws OutputError (or what a producer throws).
    void WriteAll();

private:
    struct Output;
    std::vector<std::unique_ptr<Output>> outputs_;
};

// One output written on its own, as above.
void WriteFileAtomically(const std::string& path, std::string_view contents);

}  // namespace kovra::host
