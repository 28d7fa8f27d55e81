// kovra: the stand-in charting host's command line.
#include <CLI/CLI.hpp>

#include <algorithm>
#include <cstdio>
#include <exception>
#include <new>
#include <string>

#include "app/Commands.h"
#include "app/StandardOutput.h"
#include "host/outputs/InterruptCleanup.h"

namespace {

// Every error is one line starting with "kovra: ".
void PrintError(std::string message) {
    std::replace(message.begin(), message.end(), '\n', ' ');
    std::fprintf(stderr, "kovra: %s\n", message.c_str());
}

int Main(int argc, char** argv) {
    using namespace kovra::app;
    CLI::App root{
        "kovra: loads the Kovra Math RT Intraday study the way a charting platform does, "
        "feeds it bars and shows what it computes and draws.",
        "kovra"};
    root.require_subcommand(1);
    root.set_help_all_flag("--help-all", "Show the help of every subcommand");

    int exitCode = kExitOk;
    AddDescribeCommand(root, exitCode);
    AddLevelsCommand(root, exitCode);
    AddRunCommand(root, exitCode);
    AddButtonsCommand(root, exitCode);
    AddScanCommand(root, exitCode);
#ifdef KOVRA_WITH_SERVE
    AddServeCommand(root, exitCode);
#endif
    AddCheckCommand(root, exitCode);

    try {
        root.parse(argc, argv);
    } catch (const CLI::CallForHelp& e) {
        exitCode = root.exit(e);
    } catch (const CLI::CallForAllHelp& e) {
        exitCode = root.exit(e);
    } catch (const CLI::ParseError& e) {
        PrintError(std::string(e.what()) + " (see kovra --help)");
        return kExitUsage;
    } catch (const UsageError& e) {
        PrintError(e.what());
        return kExitUsage;
    }
    FlushStandardOutput();
    return exitCode;
}

}  // namespace

int main(int argc, char** argv) {
    kovra::host::RemoveTemporaryFilesOnInterrupt();
    try {
        return Main(argc, argv);
    } catch (const kovra::app::CommandFailure& e) {
        PrintError(e.what());
        return e.exitCode;
    } catch (const std::bad_alloc&) {
        PrintError("out of memory");
    } catch (const std::exception& e) {
        PrintError(e.what());
    }
    return kovra::app::kExitFailure;
}
