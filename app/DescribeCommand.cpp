// kovra describe: what the platform's settings dialog shows of the study.
#include <fmt/format.h>
#include <fmt/printf.h>
#include <CLI/CLI.hpp>

#include <string>
#include <string_view>

#include "Commands.h"
#include "app/StandardOutput.h"
#include "host/runtime/StudyInstance.h"
#include "host/runtime/StudyLibrary.h"

namespace kovra::app {

namespace {

using host::TextView;

// "<br>" marks a line break in the study's texts.
std::string WithLineBreaks(std::string_view text, std::string_view indent) {
    std::string result{indent};
    for (size_t start = 0;;) {
        const size_t br = text.find("<br>", start);
        result.append(text.substr(start, br == std::string_view::npos ? std::string_view::npos : br - start));
        if (br == std::string_view::npos) break;
        result.append("\n").append(indent);
        start = br + 4;
    }
    while (!result.empty() && (result.back() == ' ' || result.back() == '\n')) result.pop_back();
    return result;
}

std::string Colour(uint32_t bgr) {
    const uint32_t red = bgr & 0xFF, green = (bgr >> 8) & 0xFF, blue = (bgr >> 16) & 0xFF;
    return fmt::format("0x{:08X} #{:02X}{:02X}{:02X}", bgr, red, green, blue);
}

std::string_view TypeName(uint8_t type) {
    switch (type) {
        case kInputTypeCustomList:
            return "custom list";
        case kInputTypeYesNo:
            return "yes/no";
        default:
            return "undeclared";
    }
}

void PrintInputs(const host::StudyInstance& study, std::string& out) {
    out += fmt::sprintf("\nInputs\n");
    for (size_t position = 0; position < study.inputs().size(); ++position) {
        const StudyInput& input = study.inputs()[position];
        if (!host::IsDeclared(input)) continue;
        out += fmt::sprintf("  %2zu  %s  (%s)\n", position, std::string(TextView(input.Name)).c_str(),
                            std::string(TypeName(input.TypeCode)).c_str());
        if (input.TypeCode == kInputTypeCustomList) {
            const auto items = study.ListItemsOf(static_cast<int32_t>(position));
            const std::string selected = study.SelectedTextOf(static_cast<int32_t>(position));
            std::string line;
            for (size_t i = 0; i < items.size(); ++i)
                line += fmt::format("{}{}{}", i ? ", " : "", items[i], items[i] == selected ? " (default)" : "");
            out += fmt::sprintf("      items: %s\n", line.c_str());
        } else {
            out += fmt::sprintf("      default: %s\n", input.Value != 0 ? "yes" : "no");
        }
        out += fmt::sprintf("%s\n", WithLineBreaks(TextView(input.Description), "      ").c_str());
    }
}

void PrintSubgraphs(const host::StudyInstance& study, std::string& out) {
    out += fmt::sprintf("\nSubgraphs\n");
    out += fmt::sprintf("  %-2s  %-31s  %-18s  %-18s  %5s  %5s  %5s  %-8s  %5s  %10s  %9s\n", "#", "Name", "Primary",
                        "Secondary", "Draw", "Line", "Width", "Labels", "Label", "Angle Unit", "Angle Max");
    for (size_t position = 0; position < study.subgraphs().size(); ++position) {
        const StudySubgraph& s = study.subgraphs()[position];
        if (!host::IsDeclared(s)) continue;
        const std::string name = s.Name.Length > 0 ? std::string(TextView(s.Name)) : "(unnamed)";
        out += fmt::sprintf("  %2zu  %-31s  %-18s  %-18s  %5d  %5d  %5d  0x%06X  %5s  %10g  %9g\n", position,
                            name.c_str(), Colour(s.PrimaryColour).c_str(), Colour(s.SecondaryColour).c_str(),
                            s.DrawStyle, s.LineStyle, s.LineWidth, s.LabelSettings, s.LabelFlag != 0 ? "on" : "off",
                            static_cast<double>(s.AngleUnit), static_cast<double>(s.AngleMax));
    }
}

void Describe(const std::string& libraryPath) {
    std::unique_ptr<host::StudyLibrary> library;
    try {
        library = std::make_unique<host::StudyLibrary>(libraryPath);
    } catch (const host::StudyLoadError& error) {
        throw CommandFailure(error.what(), kExitUsage);
    }
    host::Chart chart;
    host::StudyInstance study(chart, library->studyFunction(), 1);
    study.CallDefaults();

    std::string out;
    out +=
        fmt::sprintf("%s  (version %d)\n", std::string(TextView(study.record().StudyName)).c_str(), library->version());
    out += fmt::sprintf("library: %s\n", library->loadedPath().c_str());
    PrintInputs(study, out);
    PrintSubgraphs(study, out);
    out += fmt::sprintf("\nDescription\n%s\n", WithLineBreaks(TextView(study.record().StudyDescription), "  ").c_str());
    WriteStandardOutput(out);
}

}  // namespace

void AddDescribeCommand(CLI::App& root, int& exitCode) {
    CLI::App* command = root.add_subcommand("describe",
                                            "Show the study's name, inputs, subgraphs and description, "
                                            "as the platform's settings dialog would");
    auto libraryPath = std::make_shared<std::string>(host::DefaultStudyLibraryPath());
    command->add_option("--study", *libraryPath,
                        "Study library to load (default: the one installed with kovra, or built beside it)");
    command->callback([libraryPath, &exitCode] {
        Describe(*libraryPath);
        exitCode = kExitOk;
    });
}

}  // namespace kovra::app
