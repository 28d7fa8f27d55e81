// kovra buttons: the control bar as the user sees it after a run.
#include <fmt/format.h>
#include <CLI/CLI.hpp>

#include <memory>
#include <string>

#include "app/Commands.h"
#include "app/Progress.h"
#include "app/RunOptions.h"
#include "app/StandardOutput.h"
#include "host/runtime/HostTextOperations.h"
#include "host/runtime/StudyOutputs.h"

namespace kovra::app {

namespace {

std::string Quoted(const HostText& text) { return fmt::format("\"{}\"", host::TextView(text)); }

void PrintControlBar(const host::ChartSession& session) {
    const host::RecordColumn<ControlBarButton>& buttons = session.chart().controlBar.buttons();
    std::string out = fmt::format("{:>6}  {:<14}  {:<38}  {}\n", "button", "label", "hover", "pushed");
    for (size_t number = 1; number < buttons.size(); ++number) {
        const ControlBarButton& button = buttons[number];
        const bool used = button.Label.Length > 0 || button.Hover.Length > 0 || button.Pushed != 0;
        if (number > static_cast<size_t>(host::StudyButtonCount()) && !used) continue;  // others only when used
        out += fmt::format("{:>6}  {:<14}  {:<38}  {}\n", number, Quoted(button.Label), Quoted(button.Hover),
                           button.Pushed != 0 ? "yes" : "no");
    }
    WriteStandardOutput(out);
}

}  // namespace

void AddButtonsCommand(CLI::App& root, int& exitCode) {
    CLI::App* command = root.add_subcommand(
        "buttons", "Run as `kovra run` does, then print the control bar: number, label, hover text, pushed");
    auto options = std::make_shared<RunOptions>();
    AddRunOptions(*command, *options);
    command->callback([options, &exitCode] {
        CheckRunOptions(*options);
        Progress progress(!options->quiet);
        PrintControlBar(*RunSession(*options, progress).session);
        exitCode = kExitOk;
    });
}

}  // namespace kovra::app
