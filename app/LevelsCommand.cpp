// `kovra levels`: the MM frame of one HIGH LOW pair, or of a stream of pairs.
#include <fmt/format.h>
#include <unistd.h>
#include <CLI/CLI.hpp>

#include <algorithm>
#include <array>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "Commands.h"
#include "app/StandardOutput.h"
#include "host/text/ShownText.h"
#include "levels/LevelLines.h"
#include "levels/SelectLevelRoutine.h"

namespace kovra::app {
namespace {

using levels::FrameLevels;
using levels::LevelAlgorithm;

constexpr std::array<const char*, 4> kAlgorithmNames = {"Normalized", "Optimized", "Accelerated", "Legacy"};

constexpr const char* kLevelsHelp = R"(Output with HIGH LOW, one row per line, one column per algorithm:
  line      <algorithm names>
  top       8/8th price as the routine returns it (64-bit, 17 significant digits)
  bottom    0/8th price as the routine returns it (64-bit, 17 significant digits)
  +2/8th .. -2/8th
            the thirteen lines as the study's series hold them (32-bit, 9 significant digits)
Without HIGH LOW: reads "HIGH LOW" per line from standard input and writes
"TOP BOTTOM" per line (17 significant digits). A bad line is reported on
standard error with its number and skipped, as is a pair that gives no
finite frame (such as "5 5") or lines beyond the 32-bit range, and a line
longer than 1 MiB.
Prices are narrowed to 32-bit floats first, as the platform's series hold them.
Exit codes: 0 ok, 1 some input line was bad (or the pair gives no finite frame),
2 usage error.)";

struct Frame {
    double high;
    double low;
};

struct FrameParse {
    Frame frame;
    std::string error;  // empty when the frame is good
};

struct PriceParse {
    double price;
    const char* error;  // null when the price is good
};

// A price as a 32-bit series would hold it, widened back to 64 bits.
PriceParse ParsePrice(std::string_view text) {
    if (text.size() > 1 && text[0] == '+' && text[1] != '-') {
        text.remove_prefix(1);
    }
    double value = 0;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    if (error == std::errc::result_out_of_range) {
        return {0, "is outside the 32-bit price range"};
    }
    if (error != std::errc{} || stop != end || std::isnan(value)) {
        return {0, "is not a number"};
    }
    if (std::isinf(value)) {
        return {0, "is not a finite number"};
    }
    const float narrowed = static_cast<float>(value);
    if (std::isinf(narrowed) && !std::isinf(value)) {
        return {0, "is outside the 32-bit price range"};
    }
    return {narrowed, nullptr};
}

FrameParse ParseFrame(std::string_view highText, std::string_view lowText) {
    const PriceParse high = ParsePrice(highText);
    if (high.error != nullptr) {
        return {{}, fmt::format("HIGH \"{}\" {}", host::ShownText(highText), high.error)};
    }
    const PriceParse low = ParsePrice(lowText);
    if (low.error != nullptr) {
        return {{}, fmt::format("LOW \"{}\" {}", host::ShownText(lowText), low.error)};
    }
    if (high.price < low.price) {
        return {{}, fmt::format("HIGH {} is below LOW {}", host::ShownText(highText), host::ShownText(lowText))};
    }
    return {{high.price, low.price}, {}};
}

// Why a frame cannot be shown: none for pairs such as "5 5" whose range is
// zero, and lines outside the 32-bit range for highs near its end; null when it can.
const char* FrameProblem(const FrameLevels& levels) {
    if (!std::isfinite(levels.top) || !std::isfinite(levels.bottom)) return "no finite frame";
    const auto lines = levels::ComputeLevelLines(static_cast<float>(levels.top), static_cast<float>(levels.bottom));
    if (!std::all_of(lines.begin(), lines.end(), [](float line) { return std::isfinite(line); }))
        return "lines outside the 32-bit float range";
    return nullptr;
}

// Standard input line by line, each at most kMaxLineBytes: a longer line is
// skipped unread, so the lines after it are still read and memory stays bounded.
class InputLines {
public:
    static constexpr size_t kMaxLineBytes = size_t{1} << 20;

    // The next line without its line end; false at the end of the input.
    // `tooLong`: the line was longer than kMaxLineBytes (`line` is then empty).
    bool Next(std::string& line, bool& tooLong) {
        line.clear();
        tooLong = false;
        for (bool any = false;; any = true) {
            if (at_ == size_ && !Fill()) return any;
            const char* begin = chunk_ + at_;
            const auto* newline = static_cast<const char*>(std::memchr(begin, '\n', size_ - at_));
            const size_t take = static_cast<size_t>((newline != nullptr ? newline : chunk_ + size_) - begin);
            tooLong = tooLong || line.size() + take > kMaxLineBytes;
            if (tooLong)
                line.clear();
            else
                line.append(begin, take);
            at_ += take;
            if (newline != nullptr) {
                ++at_;
                return true;
            }
        }
    }

private:
    bool Fill() {
        ssize_t count = 0;
        while ((count = read(STDIN_FILENO, chunk_, sizeof chunk_)) < 0 && errno == EINTR) {
        }
        if (count < 0)
            throw CommandFailure(std::string("cannot read standard input: ") + std::strerror(errno), kExitFailure);
        at_ = 0;
        size_ = static_cast<size_t>(count);
        return count > 0;
    }

    char chunk_[1 << 16];
    size_t at_ = 0, size_ = 0;
};

FrameParse ParseLine(std::string_view line) {
    constexpr std::string_view kBlanks = " \t\r";
    std::vector<std::string_view> fields;
    for (std::size_t start = line.find_first_not_of(kBlanks); start != std::string_view::npos;
         start = line.find_first_not_of(kBlanks, start)) {
        const std::size_t stop = std::min(line.find_first_of(kBlanks, start), line.size());
        fields.push_back(line.substr(start, stop - start));
        start = stop;
    }
    if (fields.size() == 0) {
        return {{}, "missing HIGH and LOW"};
    }
    if (fields.size() == 1) {
        return {{}, "missing LOW"};
    }
    if (fields.size() > 2) {
        return {{}, fmt::format("expected \"HIGH LOW\", found {} fields", fields.size())};
    }
    return ParseFrame(fields[0], fields[1]);
}

// 17 significant digits, as "%.17g" (std::to_chars is several times faster
// than fmt for exact dyadic values at this precision).
void AppendPrice(std::string& out, double price) {
    char text[32];
    char* end = std::to_chars(std::begin(text), std::end(text), price, std::chars_format::general, 17).ptr;
    out.append(std::begin(text), end);
}

int StreamLevels(LevelAlgorithm algorithm) {
    std::string out;
    std::string line;
    int exitCode = kExitOk;
    InputLines input;
    bool tooLong = false;
    for (long lineNumber = 1; input.Next(line, tooLong); ++lineNumber) {
        const FrameParse parsed =
            tooLong ? FrameParse{{}, fmt::format("longer than {} bytes", InputLines::kMaxLineBytes)} : ParseLine(line);
        const FrameLevels levels =
            parsed.error.empty() ? ComputeLevels(algorithm, parsed.frame.high, parsed.frame.low) : FrameLevels{};
        const char* problem = parsed.error.empty() ? FrameProblem(levels) : nullptr;
        const std::string error =
            problem != nullptr ? fmt::format("\"{}\" gives {}", host::ShownText(line), problem) : parsed.error;
        if (!error.empty()) {
            std::fprintf(stderr, "kovra: levels: line %ld: %s\n", lineNumber, error.c_str());
            exitCode = kExitFailure;
            continue;
        }
        AppendPrice(out, levels.top);
        out += ' ';
        AppendPrice(out, levels.bottom);
        out += '\n';
        if (out.size() > (1 << 16)) {
            WriteStandardOutput(out);
            out.clear();
        }
    }
    WriteStandardOutput(out);
    return exitCode;
}

void PrintLevelTable(const Frame& frame, const std::vector<const char*>& algorithmNames) {
    std::vector<FrameLevels> results;
    std::vector<std::array<float, levels::kLevelLineCount>> lines;
    std::string out = fmt::format("{:<8}", "line");
    for (const char* name : algorithmNames) {
        const FrameLevels result = ComputeLevels(levels::SelectLevelAlgorithm(name), frame.high, frame.low);
        if (const char* problem = FrameProblem(result))
            throw CommandFailure(
                fmt::format("levels: HIGH {} and LOW {} give {} with {}", frame.high, frame.low, problem, name),
                kExitFailure);
        results.push_back(result);
        lines.push_back(levels::ComputeLevelLines(static_cast<float>(result.top), static_cast<float>(result.bottom)));
        fmt::format_to(std::back_inserter(out), " {:<25}", name);
    }
    const auto endRow = [&out] {
        out.erase(out.find_last_not_of(' ') + 1);
        out += '\n';
    };
    endRow();
    for (const bool isTop : {true, false}) {
        fmt::format_to(std::back_inserter(out), "{:<8}", isTop ? "top" : "bottom");
        for (const FrameLevels& result : results) {
            fmt::format_to(std::back_inserter(out), " {:<25.17g}", isTop ? result.top : result.bottom);
        }
        endRow();
    }
    for (int i = 0; i < levels::kLevelLineCount; ++i) {
        fmt::format_to(std::back_inserter(out), "{:<8}", levels::kLevelLineNames[i]);
        for (const auto& column : lines) {
            fmt::format_to(std::back_inserter(out), " {:<25.9g}", column[i]);
        }
        endRow();
    }
    WriteStandardOutput(out);
}

}  // namespace

void AddLevelsCommand(CLI::App& root, int& exitCode) {
    CLI::App* command =
        root.add_subcommand("levels", "Compute the MM frame levels of HIGH LOW, or of pairs read from standard input");
    command->footer(kLevelsHelp);

    struct Options {
        std::string algorithm = "Optimized";
        bool all = false;
        std::string high;
        std::string low;
    };
    auto options = std::make_shared<Options>();
    CLI::Option* algorithm =
        command->add_option("--algorithm", options->algorithm, "Frame Algorithm text")
            ->check(CLI::IsMember(std::vector<std::string>(kAlgorithmNames.begin(), kAlgorithmNames.end())))
            ->capture_default_str();
    command->add_flag("--all", options->all, "Show all four algorithms side by side (needs HIGH LOW)")
        ->excludes(algorithm);
    command->add_option("HIGH", options->high, "Frame high");
    command->add_option("LOW", options->low, "Frame low");

    command->callback([options, &exitCode, command] {
        const bool hasHigh = command->count("HIGH") > 0;
        const bool hasLow = command->count("LOW") > 0;
        if (!hasHigh) {
            if (options->all) {
                throw UsageError("levels: --all needs HIGH LOW");
            }
            exitCode = StreamLevels(levels::SelectLevelAlgorithm(options->algorithm.c_str()));
            return;
        }
        if (!hasLow) {
            throw UsageError("levels: LOW is missing");
        }
        const FrameParse parsed = ParseFrame(options->high, options->low);
        if (!parsed.error.empty()) {
            throw UsageError("levels: " + parsed.error);
        }
        std::vector<const char*> names{options->algorithm.c_str()};
        if (options->all) {
            names.assign(kAlgorithmNames.begin(), kAlgorithmNames.end());
        }
        PrintLevelTable(parsed.frame, names);
        exitCode = kExitOk;
    });
}

}  // namespace kovra::app
