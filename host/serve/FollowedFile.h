// A bar file watched for lines appended to it (`kovra serve --follow`): each
// complete new line is read as one bar with the file's own header row. A file
// replaced (renamed over, or deleted and created again: another device or
// inode), shortened or rewritten in place is loaded again whole.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include <sys/stat.h>

#include "host/bars/BarsCsv.h"
#include "host/runtime/Chart.h"

namespace kovra::host {

struct FollowedChange {
    std::vector<Bar> appended;           // the bars of the complete lines appended, in file order
    std::optional<BarColumns> reloaded;  // all the bars of a file replaced or shortened (then nothing appended)
};

class FollowedFile {
public:
    using Warn = std::function<void(const std::string&)>;

    // Starts where the chart's bars were read up to (`from`: the bytes its
    // load read), so that lines appended since are the first it gives, or
    // else at the file's current end; lines are read as the file was
    // (`options`: its time zone, date order and decimal mark). Throws
    // BarsLoadError when the file cannot be read or has no header row.
    FollowedFile(std::string path, Warn warn, BarsLoadOptions options = {}, std::optional<uint64_t> from = {});

    // What changed since the last call. A line that does not parse is reported
    // through `warn` and skipped; a file loaded again is reported too, and when
    // it does not load, its error, and it is tried again once it changes. A
    // file that is not there (between delete and create) is waited for.
    FollowedChange ReadChanges();

private:
    // What tells one state of the file from another.
    struct Stamp {
        dev_t device = 0;
        ino_t inode = 0;
        off_t size = 0;
        int64_t modifiedNanoseconds = 0;
        bool operator==(const Stamp&) const = default;
    };
    static Stamp StampOf(const struct stat& status);

    std::vector<Bar> ReadLines(const std::string& appended);
    std::optional<BarColumns> Reload(int descriptor, const Stamp& stamp);
    void Start(const Stamp& stamp, uint64_t offset, std::string before, std::optional<int64_t> lines);
    int64_t LineNumber();
    bool SameBytesBefore(int descriptor) const;
    std::optional<Bar> ParseLine(const std::string& line);

    std::string path_;
    Warn warn_;
    BarsLoadOptions options_;
    std::string header_;   // the file's header row
    Stamp read_;           // the file read so far
    uint64_t offset_ = 0;  // bytes read so far
    std::string before_;   // the last bytes before offset_, to notice a rewrite in place
    // The lines before where reading started, counted only once a message
    // needs a line number (following many files, most never do), and the
    // lines read since.
    std::optional<int64_t> startLines_;
    uint64_t startOffset_ = 0;
    int64_t linesRead_ = 0;
    std::string partial_;                // an appended line still waiting for its line end
    std::optional<Stamp> failedReload_;  // a replacement that did not load, as it was then
};

}  // namespace kovra::host
