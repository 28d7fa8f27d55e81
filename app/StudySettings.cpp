#include "app/StudySettings.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <functional>
#include <limits>
#include <optional>
#include <string_view>

#include <fmt/format.h>

#include "app/Commands.h"
#include "host/HostTextOperations.h"

namespace kovra::app {

namespace {

using host::StudyInstance;
using host::TextView;

constexpr uint8_t kCustomListType = 22;
constexpr uint8_t kYesNoType = 5;

std::string_view Trimmed(std::string_view text) {
    while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
    return text;
}

std::string QuotedList(const std::vector<std::string>& items) {
    std::string list;
    for (const std::string& item : items) list += fmt::format("{}\"{}\"", list.empty() ? "" : ", ", item);
    return list;
}

struct Assignment {
    std::string_view target;  // left of the first "="
    std::string_view value;
};

Assignment SplitAssignment(std::string_view setting, std::string_view option, std::string_view form) {
    const size_t equals = setting.find('=');
    if (equals == std::string_view::npos)
        throw UsageError(fmt::format("{} \"{}\": expected \"{}\"", option, setting, form));
    return {Trimmed(setting.substr(0, equals)), Trimmed(setting.substr(equals + 1))};
}

bool Declared(const StudyInput& input) { return input.TypeCode != 0 && input.Name.Length > 0; }

// The value an input takes for `text`, or a usage error listing the choices.
float InputValueFor(const StudyInstance& study, int32_t position, std::string_view text, std::string_view setting) {
    const StudyInput& input = study.inputs()[static_cast<size_t>(position)];
    std::vector<std::string> choices = {"yes", "no"};
    if (input.TypeCode == kYesNoType) {
        if (text == "yes") return 1;
        if (text == "no") return 0;
    } else {
        choices = study.ListItemsOf(position);
        for (size_t index = 0; index < choices.size(); ++index)
            if (choices[index] == text) return static_cast<float>(index);
    }
    throw UsageError(fmt::format("--set \"{}\": \"{}\" has no item \"{}\"; its items are: {}", setting,
                                 TextView(input.Name), text, QuotedList(choices)));
}

// A whole number written in decimal, or in hexadecimal with a 0x prefix;
// empty when it is not one or lies outside lowest .. highest.
std::optional<int64_t> ParseInteger(std::string_view text, int64_t lowest, int64_t highest) {
    int base = 10;
    bool negative = false;
    if (!text.empty() && text.front() == '-') negative = true, text.remove_prefix(1);
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) base = 16, text.remove_prefix(2);
    uint64_t magnitude = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), magnitude, base);
    if (error != std::errc{} || end != text.data() + text.size() || text.empty() ||
        magnitude > static_cast<uint64_t>(std::numeric_limits<int64_t>::max()))
        return std::nullopt;
    const int64_t value = negative ? -static_cast<int64_t>(magnitude) : static_cast<int64_t>(magnitude);
    if (value < lowest || value > highest) return std::nullopt;
    return value;
}

float ParseFloat(std::string_view text, std::string_view setting) {
    double value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc{} || end != text.data() + text.size() || text.empty() ||
        !std::isfinite(static_cast<float>(value)))
        throw UsageError(fmt::format("--subgraph \"{}\": the value must be a finite number", setting));
    return static_cast<float>(value);
}

struct FieldSetter {
    const char* name;
    std::function<void(StudyInstance&, StudySubgraph&, std::string_view value, std::string_view setting)> set;
};

template <typename Integer, typename Field>
FieldSetter IntegerField(const char* name, Field StudySubgraph::*field) {
    return {name, [field](StudyInstance&, StudySubgraph& subgraph, std::string_view value, std::string_view setting) {
                const auto parsed = ParseInteger(value, std::numeric_limits<Integer>::min(),
                                                 std::numeric_limits<Integer>::max());
                if (!parsed)
                    throw UsageError(fmt::format("--subgraph \"{}\": the value must be a whole number from {} to {}",
                                                 setting, +std::numeric_limits<Integer>::min(),
                                                 +std::numeric_limits<Integer>::max()));
                subgraph.*field = static_cast<Field>(*parsed);
            }};
}

FieldSetter FloatField(const char* name, float StudySubgraph::*field) {
    return {name, [field](StudyInstance&, StudySubgraph& subgraph, std::string_view value, std::string_view setting) {
                subgraph.*field = ParseFloat(value, setting);
            }};
}

const std::vector<FieldSetter>& SubgraphFields() {
    static const std::vector<FieldSetter> fields = {
        IntegerField<uint32_t>("PrimaryColour", &StudySubgraph::PrimaryColour),
        IntegerField<uint32_t>("SecondaryColour", &StudySubgraph::SecondaryColour),
        IntegerField<int16_t>("DrawStyle", &StudySubgraph::DrawStyle),
        IntegerField<int16_t>("LineStyle", &StudySubgraph::LineStyle),
        IntegerField<int16_t>("LineWidth", &StudySubgraph::LineWidth),
        IntegerField<uint8_t>("LabelFlag", &StudySubgraph::LabelFlag),
        IntegerField<uint32_t>("LabelSettings", &StudySubgraph::LabelSettings),
        FloatField("AngleUnit", &StudySubgraph::AngleUnit),
        FloatField("AngleMax", &StudySubgraph::AngleMax),
        {"Name",
         [](StudyInstance& study, StudySubgraph& subgraph, std::string_view value, std::string_view) {
             host::AssignText(study.chart().texts, subgraph.Name, std::string(value).c_str());
         }},
    };
    return fields;
}

const FieldSetter& FieldNamed(std::string_view name, std::string_view setting) {
    std::vector<std::string> names;
    for (const FieldSetter& field : SubgraphFields()) {
        if (name == field.name) return field;
        names.emplace_back(field.name);
    }
    throw UsageError(fmt::format("--subgraph \"{}\": unknown field \"{}\"; the fields are: {}", setting, name,
                                 QuotedList(names)));
}

std::vector<StudySubgraph*> SubgraphsNamed(StudyInstance& study, std::string_view name, std::string_view setting) {
    std::vector<StudySubgraph>& subgraphs = study.subgraphs();
    if (!name.empty() && name.front() == '#') {
        const auto position = ParseInteger(name.substr(1), 0, static_cast<int64_t>(subgraphs.size()) - 1);
        if (!position)
            throw UsageError(fmt::format("--subgraph \"{}\": no subgraph {}; positions run from #0 to #{}", setting,
                                         name, subgraphs.size() - 1));
        return {&subgraphs[static_cast<size_t>(*position)]};
    }
    std::vector<StudySubgraph*> found;
    std::vector<std::string> names;
    for (StudySubgraph& subgraph : subgraphs) {
        if (TextView(subgraph.Name) == name && !name.empty()) found.push_back(&subgraph);
        if (subgraph.Name.Length > 0) names.emplace_back(TextView(subgraph.Name));
    }
    if (found.empty())
        throw UsageError(fmt::format("--subgraph \"{}\": unknown subgraph \"{}\"; the subgraphs are: {} (or #POSITION)",
                                     setting, name, QuotedList(names)));
    return found;
}

}  // namespace

void ApplyInputSettings(StudyInstance& study, const std::vector<std::string>& settings) {
    for (const std::string& setting : settings) {
        const Assignment assignment = SplitAssignment(setting, "--set", "INPUT NAME=VALUE");
        std::vector<std::string> names;
        int32_t found = -1;
        for (size_t position = 0; position < study.inputs().size(); ++position) {
            const StudyInput& input = study.inputs()[position];
            if (!Declared(input)) continue;
            names.emplace_back(TextView(input.Name));
            if (TextView(input.Name) == assignment.target) found = static_cast<int32_t>(position);
        }
        if (found < 0)
            throw UsageError(fmt::format("--set \"{}\": unknown input \"{}\"; the inputs are: {}", setting,
                                         assignment.target, QuotedList(names)));
        study.SetInputValue(found, InputValueFor(study, found, assignment.value, setting));
    }
}

void ApplySubgraphSettings(StudyInstance& study, const std::vector<std::string>& settings) {
    for (const std::string& setting : settings) {
        const Assignment assignment = SplitAssignment(setting, "--subgraph", "NAME.FIELD=VALUE");
        const size_t dot = assignment.target.rfind('.');
        if (dot == std::string_view::npos)
            throw UsageError(fmt::format("--subgraph \"{}\": expected \"NAME.FIELD=VALUE\"", setting));
        const FieldSetter& field = FieldNamed(assignment.target.substr(dot + 1), setting);
        for (StudySubgraph* subgraph : SubgraphsNamed(study, assignment.target.substr(0, dot), setting))
            field.set(study, *subgraph, assignment.value, setting);
    }
}

std::vector<std::string> DescribeInputs(const StudyInstance& study) {
    std::vector<std::string> lines;
    for (size_t position = 0; position < study.inputs().size(); ++position) {
        const StudyInput& input = study.inputs()[position];
        if (!Declared(input)) continue;
        const std::string value = input.TypeCode == kCustomListType
                                      ? study.SelectedTextOf(static_cast<int32_t>(position))
                                      : (input.Value != 0 ? "yes" : "no");
        lines.push_back(fmt::format("{}={}", TextView(input.Name), value));
    }
    return lines;
}

}  // namespace kovra::app
