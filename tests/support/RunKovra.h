// Runs the built `kovra` program (path from KOVRA_EXE) and captures what it says.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace kovra::testing {

struct CommandResult {
    int exitCode = -1;  // 128 + the signal when a signal ended it
    std::string out;
    std::string err;
};

// `input` goes to the program's standard input.
CommandResult RunKovra(const std::vector<std::string>& arguments, const std::string& input = "");

// A run that goes on while the test acts (sends a signal, reads a pipe).
// SIGINT and SIGTERM start at their defaults; standard output goes to
// `outputPath` (a file of the run's own when empty); it runs in
// `workingFolder` (the test's own when empty).
struct RunningKovra {
    pid_t pid = -1;
    std::string folder;
    std::string outPath;
};
RunningKovra StartKovra(const std::vector<std::string>& arguments, const std::string& outputPath = "",
                        const std::string& workingFolder = "");
CommandResult FinishKovra(const RunningKovra& running);

// A fresh, empty folder for one test's files.
std::string FreshTestFolder(const std::string& name);

// A file's bytes (empty when it cannot be read).
std::string Slurp(const std::string& path);
// A text's lines, without their line ends.
std::vector<std::string> Lines(const std::string& text);
// A CSV row's cells, split at every comma (the rows tests read quote nothing).
std::vector<std::string> Cells(const std::string& row);

}  // namespace kovra::testing
