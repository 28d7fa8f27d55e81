// kovra scan: many bar files at once, each its own chart running the study the
// way `kovra run` runs it, one row per instrument saying where its last close
// stands in its frame.
#include <fmt/format.h>
#include <CLI/CLI.hpp>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "app/Commands.h"
#include "app/OptionValues.h"
#include "app/Progress.h"
#include "app/RunOptions.h"
#include "app/StandardOutput.h"
#include "host/outputs/OutputFiles.h"
#include "host/scan/ScanCharts.h"
#include "host/scan/ScanFields.h"
#include "host/scan/ScanFormats.h"

namespace kovra::app {

namespace {

constexpr int32_t kMaxJobs = 1024;

struct ScanCommandOptions {
    RunOptions run;  // the bar-file and study options, and --quiet
    std::vector<std::string> paths;
    int32_t jobs = static_cast<int32_t>(std::clamp<unsigned>(std::thread::hardware_concurrency(), 1, kMaxJobs));
    std::string format = "table";
    std::string sort;
    std::string outputPath;  // empty, "-" or another name of it (host::IsStandardOutput): standard output
};

struct SortOrder {
    const host::ScanField* field = nullptr;  // none: file order
    bool descending = false;
};

// "FIELD", "FIELD:asc" or "FIELD:desc".
SortOrder ParseSort(const std::string& text) {
    if (text.empty()) return {};
    const size_t colon = text.rfind(':');
    const std::string name = text.substr(0, colon);
    const std::string direction = colon == std::string::npos ? "asc" : text.substr(colon + 1);
    const host::ScanField* field = host::FindScanField(name);
    if (field == nullptr || (direction != "asc" && direction != "desc")) {
        std::string names;
        for (const host::ScanField& known : host::ScanFields())
            names += (names.empty() ? "" : ", ") + std::string(known.name);
        throw UsageError(
            fmt::format("--sort \"{}\": expected FIELD, FIELD:asc or FIELD:desc with FIELD one of: {}", text, names));
    }
    return {field, direction == "desc"};
}

// The rows may not overwrite what the scan reads.
void CheckOutputIsNoInput(const ScanCommandOptions& options, const std::vector<host::ScanFile>& files) {
    if (options.outputPath.empty() || host::IsStandardOutput(options.outputPath)) return;
    const host::FileIdentity output = host::IdentityOf(options.outputPath);
    const auto refuse = [&options](const std::string& role) {
        throw UsageError(fmt::format("--output '{}' is {}; writing it would destroy it, so choose another file",
                                     options.outputPath, role));
    };
    if (output == host::IdentityOf(StudyLibraryPath(options.run))) refuse("the study library");
    for (const host::ScanFile& file : files)
        if (output == host::IdentityOf(file.path)) refuse(fmt::format("the bar file '{}'", file.path));
}

std::string Formatted(const std::string& format, const std::vector<host::ScanRow>& rows) {
    if (format == "csv") return host::FormatScanCsv(rows);
    if (format == "json") return host::FormatScanJson(rows);
    return host::FormatScanTable(rows);
}

// Returns the exit code: 1 when a file gave no chart.
int Scan(const ScanCommandOptions& options) {
    const SortOrder sort = ParseSort(options.sort);
    CheckRunOptions(options.run);
    host::ScanOptions scan;
    scan.bars = BarsLoadOptionsOf(options.run);
    scan.chart = ChartSetupOf(options.run);
    scan.jobs = options.jobs;
    const std::unique_ptr<host::StudyLibrary> library = LoadLibrary(StudyLibraryPath(options.run));
    try {
        host::CheckScanSettings(library->studyFunction(), scan.chart.settings);
    } catch (const host::SettingsError& error) {
        throw RefusedSetting(options.run, error);
    }
    const host::ScanFileList list = host::ListScanFiles(options.paths);
    CheckOutputIsNoInput(options, list.files);

    // The output's temporary file is made now, so an unwritable one fails before the work.
    std::string output;
    host::OutputFiles outputFile;
    const bool toFile = !options.outputPath.empty() && !host::IsStandardOutput(options.outputPath);
    try {
        if (toFile) outputFile.Add(options.outputPath, [&output](host::OutputSink& sink) { sink.Write(output); });
    } catch (const host::OutputError& error) {
        throw CommandFailure(error.what(), kExitFailure);
    }

    for (const std::string& folder : list.emptyFolders)
        std::fprintf(stderr, "kovra: warning: %s: no .csv files in the folder\n", folder.c_str());
    std::vector<host::ScanRow> rows;
    {
        Progress progress(!options.run.quiet);
        scan.progress = [&progress](size_t done, size_t total) {
            progress.Update("scanning files", static_cast<int64_t>(done), static_cast<int64_t>(total));
        };
        rows = host::ScanCharts(library->studyFunction(), list.files, scan);
    }

    int exitCode = kExitOk;
    for (const host::ScanRow& row : rows) {
        for (const std::string& warning : row.warnings) std::fprintf(stderr, "kovra: warning: %s\n", warning.c_str());
        if (row.error.empty()) continue;
        std::fprintf(stderr, "kovra: %s\n", row.error.c_str());
        exitCode = kExitFailure;
    }
    if (sort.field != nullptr) host::SortScanRows(rows, *sort.field, sort.descending);
    output = Formatted(options.format, rows);
    if (!toFile) {
        WriteStandardOutput(output);
        return exitCode;
    }
    try {
        outputFile.WriteAll();
    } catch (const host::OutputError& error) {
        throw CommandFailure(error.what(), kExitFailure);
    }
    return exitCode;
}

}  // namespace

void AddScanCommand(CLI::App& root, int& exitCode) {
    CLI::App* command = root.add_subcommand(
        "scan",
        "Run the study over many bar files at once, one chart each, and show where each instrument's last "
        "close stands in its frame");
    auto options = std::make_shared<ScanCommandOptions>();
    AddBarFileOptions(*command, options->run);
    AddStudyOptions(*command, options->run);
    AddTimeframeOptions(*command, options->run);
    AddWholeNumberOption(*command, "--jobs", options->jobs, 1, kMaxJobs,
                         "Charts run at once, one per worker thread (default: the processors)");
    command->add_option("--format", options->format, "Output: table (default), csv or json")
        ->type_name("FORMAT")
        ->check(CLI::IsMember({"table", "csv", "json"}));
    command
        ->add_option("--sort", options->sort,
                     "Order rows by a field (ascending; FIELD:desc for descending); "
                     "default: the order the files are named in")
        ->type_name("FIELD[:desc]");
    AddFileOption(*command, "--output", options->outputPath,
                  "Write the rows to this file instead of standard output (- for standard output)");
    command->add_flag("--quiet", options->run.quiet, "Show no progress");
    command->add_option("paths", options->paths, "Bar files, and folders whose .csv files are scanned")
        ->type_name("FILE|FOLDER")
        ->required();
    command->callback([options, &exitCode] { exitCode = Scan(*options); });
}

}  // namespace kovra::app
