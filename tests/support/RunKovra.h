// Runs the built `kovra` program (path from KOVRA_EXE) and captures what it says.
#pragma once

#include <string>
#include <vector>

namespace kovra::testing {

struct CommandResult {
    int exitCode = -1;
    std::string out;
    std::string err;
};

// `input` goes to the program's standard input.
CommandResult RunKovra(const std::vector<std::string>& arguments, const std::string& input = "");

// A fresh, empty folder for one test's files.
std::string FreshTestFolder(const std::string& name);

}  // namespace kovra::testing
