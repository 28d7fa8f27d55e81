// kovra: the stand-in charting host's command line.
#include <CLI/CLI.hpp>

#include <cstdio>

#include "Commands.h"

int main(int argc, char** argv) {
    using namespace kovra::app;
    CLI::App root{"kovra: loads the Kovra Math RT Intraday study the way a charting platform does, "
                  "feeds it bars and shows what it computes and draws.",
                  "kovra"};
    root.require_subcommand(1);
    root.set_help_all_flag("--help-all", "Show the help of every subcommand");

    int exitCode = kExitOk;
    AddDescribeCommand(root, exitCode);
    AddLevelsCommand(root, exitCode);
    AddRunCommand(root, exitCode);
    AddButtonsCommand(root, exitCode);

    try {
        root.parse(argc, argv);
    } catch (const CLI::CallForHelp& e) {
        return root.exit(e);
    } catch (const CLI::CallForAllHelp& e) {
        return root.exit(e);
    } catch (const CLI::ParseError& e) {
        root.exit(e);
        return kExitUsage;
    } catch (const UsageError& e) {
        std::fprintf(stderr, "kovra: %s\n", e.what());
        return kExitUsage;
    } catch (const CommandFailure& e) {
        std::fprintf(stderr, "kovra: %s\n", e.what());
        return e.exitCode;
    }
    return exitCode;
}
