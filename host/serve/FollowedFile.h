// A bar file watched for lines appended to it (`kovra serve --follow`): each
// complete new line is read as one bar with the file's own header row.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "host/bars/BarsCsv.h"
#include "host/runtime/Chart.h"

namespace kovra::host {

class FollowedFile {
public:
    using Warn = std::function<void(const std::string&)>;

    // Starts at the file's current end; lines are read as the file was
    // (`options`: its time zone and date order). Throws BarsLoadError when the
    // file cannot be read or has no header row.
    FollowedFile(std::string path, Warn warn, BarsLoadOptions options = {});

    // The bars of the complete lines appended since the last call, in file
    // order. A line that does not parse is reported through `warn` and skipped.
    std::vector<Bar> ReadAppended();

private:
    std::optional<Bar> ParseLine(const std::string& line);

    std::string path_;
    Warn warn_;
    BarsLoadOptions options_;
    std::string header_;   // the file's header row
    uint64_t offset_ = 0;  // bytes read so far
    int64_t lineNumber_ = 0;  // lines read so far
    std::string partial_;  // an appended line still waiting for its line end
};

}  // namespace kovra::host
