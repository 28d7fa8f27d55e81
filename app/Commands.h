// The `kovra` subcommands. Each Add...Command registers one subcommand on the
// root and, when it runs, stores its exit code in `exitCode`.
#pragma once

#include <stdexcept>
#include <string>

namespace CLI {
class App;
}

namespace kovra::app {

// Exit codes of every subcommand.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailure = 1;  // runtime failure: bad data file, unwritable output, load error
inline constexpr int kExitUsage = 2;    // usage error: unknown option, bad value, unknown input name

// Thrown by a command for a usage error found after parsing (an unknown input
// name, say); main prints the message and exits with kExitUsage.
struct UsageError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// Thrown by a command for a failure at run time; main prints the message and
// exits with the code it carries.
struct CommandFailure : std::runtime_error {
    CommandFailure(const std::string& message, int code) : std::runtime_error(message), exitCode(code) {}
    int exitCode;
};

void AddDescribeCommand(CLI::App& root, int& exitCode);
void AddLevelsCommand(CLI::App& root, int& exitCode);
void AddRunCommand(CLI::App& root, int& exitCode);
void AddButtonsCommand(CLI::App& root, int& exitCode);
void AddScanCommand(CLI::App& root, int& exitCode);
void AddServeCommand(CLI::App& root, int& exitCode);
void AddCheckCommand(CLI::App& root, int& exitCode);

}  // namespace kovra::app
