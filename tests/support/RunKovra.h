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

}  // namespace kovra::testing
