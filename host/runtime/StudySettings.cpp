#include "host/runtime/StudySettings.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <functional>
#include <limits>
#include <optional>
#include <string_view>

#include <fmt/format.h>

#include "host/runtime/HostTextOperations.h"
#include "host/text/ShownText.h"
#include "record/StudyInputs.h"

namespace kovra::host {

namespace {

bool Declared(const StudyInput& input) { return input.TypeCode != kInputTypeNotDeclared && input.Name.Length > 0; }

// The value an input takes for `text`; empty when the input has no such item.
std::optional<float> InputValueFor(const StudyInstance& study, int32_t position, std::string_view text,
                                   std::vector<std::string>& choices) {
    const StudyInput& input = study.inputs()[static_cast<size_t>(position)];
    choices = {"yes", "no"};
    if (input.TypeCode == kInputTypeYesNo) {
        if (text == "yes") return 1.0f;
        if (text == "no") return 0.0f;
        return std::nullopt;
    }
    choices = study.ListItemsOf(position);
    for (size_t index = 0; index < choices.size(); ++index)
        if (choices[index] == text) return static_cast<float>(index);
    return std::nullopt;
}

// Why the subgraph setting being applied is refused; ApplySubgraphSetting
// turns it into a SettingsError naming the setting.
struct SubgraphRefusal {
    std::string reason;
};

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

float ParseFloat(std::string_view text) {
    double value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc{} || end != text.data() + text.size() || text.empty() ||
        !std::isfinite(static_cast<float>(value)))
        throw SubgraphRefusal{"the value must be a finite number"};
    return static_cast<float>(value);
}

struct FieldSetter {
    const char* name;
    std::function<void(StudyInstance&, StudySubgraph&, std::string_view value)> set;
};

template <typename Integer>
Integer ParseWhole(std::string_view value) {
    const auto parsed = ParseInteger(value, std::numeric_limits<Integer>::min(), std::numeric_limits<Integer>::max());
    if (!parsed)
        throw SubgraphRefusal{fmt::format("the value must be a whole number from {} to {}",
                                          +std::numeric_limits<Integer>::min(), +std::numeric_limits<Integer>::max())};
    return static_cast<Integer>(*parsed);
}

template <typename Integer, typename Field>
FieldSetter IntegerField(const char* name, Field StudySubgraph::*field) {
    return {name, [field](StudyInstance&, StudySubgraph& subgraph, std::string_view value) {
                subgraph.*field = static_cast<Field>(ParseWhole<Integer>(value));
            }};
}

// #RRGGBB, as a page shows a colour, or the record's 0x00BBGGRR as a whole number.
FieldSetter ColourField(const char* name, uint32_t StudySubgraph::*field) {
    return {name, [field](StudyInstance&, StudySubgraph& subgraph, std::string_view value) {
                if (value.empty() || value.front() != '#') {
                    subgraph.*field = ParseWhole<uint32_t>(value);
                    return;
                }
                uint32_t rgb = 0;
                const char* end = value.data() + value.size();
                const auto [stop, error] = std::from_chars(value.data() + 1, end, rgb, 16);
                if (value.size() != 7 || error != std::errc{} || stop != end)
                    throw SubgraphRefusal{"a colour is #RRGGBB (six hexadecimal digits) or a whole number 0x00BBGGRR"};
                subgraph.*field = (rgb >> 16) | (rgb & 0x00FF00u) | (rgb & 0xFFu) << 16;
            }};
}

FieldSetter FloatField(const char* name, float StudySubgraph::*field) {
    return {name, [field](StudyInstance&, StudySubgraph& subgraph, std::string_view value) {
                subgraph.*field = ParseFloat(value);
            }};
}

const std::vector<FieldSetter>& SubgraphFields() {
    static const std::vector<FieldSetter> fields = {
        ColourField("PrimaryColour", &StudySubgraph::PrimaryColour),
        ColourField("SecondaryColour", &StudySubgraph::SecondaryColour),
        IntegerField<int16_t>("DrawStyle", &StudySubgraph::DrawStyle),
        IntegerField<int16_t>("LineStyle", &StudySubgraph::LineStyle),
        IntegerField<int16_t>("LineWidth", &StudySubgraph::LineWidth),
        IntegerField<uint8_t>("LabelFlag", &StudySubgraph::LabelFlag),
        IntegerField<uint32_t>("LabelSettings", &StudySubgraph::LabelSettings),
        FloatField("AngleUnit", &StudySubgraph::AngleUnit),
        FloatField("AngleMax", &StudySubgraph::AngleMax),
        {"Name",
         [](StudyInstance& study, StudySubgraph& subgraph, std::string_view value) {
             AssignText(study.chart().texts, subgraph.Name, std::string(value).c_str());
         }},
    };
    return fields;
}

const FieldSetter& FieldNamed(std::string_view name) {
    std::vector<std::string> names;
    for (const FieldSetter& field : SubgraphFields()) {
        if (name == field.name) return field;
        names.emplace_back(field.name);
    }
    throw SubgraphRefusal{fmt::format("unknown field \"{}\"; the fields are: {}", name, QuotedList(names))};
}

std::vector<StudySubgraph*> SubgraphsNamed(StudyInstance& study, std::string_view name) {
    RecordColumn<StudySubgraph>& subgraphs = study.subgraphs();
    if (!name.empty() && name.front() == '#') {
        const auto position = ParseInteger(name.substr(1), 0, static_cast<int64_t>(subgraphs.size()) - 1);
        if (!position)
            throw SubgraphRefusal{
                fmt::format("no subgraph {}; positions run from #0 to #{}", name, subgraphs.size() - 1)};
        return {&subgraphs[static_cast<size_t>(*position)]};
    }
    std::vector<StudySubgraph*> found;
    std::vector<std::string> names;
    for (StudySubgraph& subgraph : subgraphs) {
        if (TextView(subgraph.Name) == name && !name.empty()) found.push_back(&subgraph);
        if (subgraph.Name.Length > 0) names.emplace_back(TextView(subgraph.Name));
    }
    if (found.empty())
        throw SubgraphRefusal{
            fmt::format("unknown subgraph \"{}\"; the subgraphs are: {} (or #POSITION)", name, QuotedList(names))};
    return found;
}

void ApplyInputSetting(StudyInstance& study, const InputSetting& setting, size_t index) {
    std::vector<std::string> names;
    int32_t found = -1;
    for (size_t position = 0; position < study.inputs().size(); ++position) {
        const StudyInput& input = study.inputs()[position];
        if (!Declared(input)) continue;
        names.emplace_back(TextView(input.Name));
        if (TextView(input.Name) == setting.input) found = static_cast<int32_t>(position);
    }
    if (found < 0)
        throw SettingsError(SettingsError::Kind::kInput, index,
                            fmt::format("unknown input \"{}\"; the inputs are: {}", setting.input, QuotedList(names)));
    std::vector<std::string> choices;
    const std::optional<float> value = InputValueFor(study, found, setting.value, choices);
    if (!value)
        throw SettingsError(
            SettingsError::Kind::kInput, index,
            fmt::format("\"{}\" has no item \"{}\"; its items are: {}",
                        TextView(study.inputs()[static_cast<size_t>(found)].Name), setting.value, QuotedList(choices)));
    study.SetInputValue(found, *value);
}

void ApplySubgraphSetting(StudyInstance& study, const SubgraphSetting& setting, size_t index) {
    try {
        const FieldSetter& field = FieldNamed(setting.field);
        for (StudySubgraph* subgraph : SubgraphsNamed(study, setting.subgraph))
            field.set(study, *subgraph, setting.value);
    } catch (const SubgraphRefusal& refusal) {
        throw SettingsError(SettingsError::Kind::kSubgraph, index, refusal.reason);
    }
}

}  // namespace

void ApplyStudySettings(StudyInstance& study, const StudySettings& settings) {
    for (size_t i = 0; i < settings.inputs.size(); ++i) ApplyInputSetting(study, settings.inputs[i], i);
    for (size_t i = 0; i < settings.subgraphs.size(); ++i) ApplySubgraphSetting(study, settings.subgraphs[i], i);
}

std::vector<InputSetting> InputsInForce(const StudyInstance& study) {
    std::vector<InputSetting> inputs;
    for (size_t position = 0; position < study.inputs().size(); ++position) {
        const StudyInput& input = study.inputs()[position];
        if (!Declared(input)) continue;
        std::string value = input.TypeCode == kInputTypeCustomList
                                ? study.SelectedTextOf(static_cast<int32_t>(position))
                                : (record::IsYes(input) ? "yes" : "no");
        inputs.push_back({std::string(TextView(input.Name)), std::move(value)});
    }
    return inputs;
}

std::vector<std::string> DescribeInputs(const StudyInstance& study) {
    std::vector<std::string> lines;
    for (const InputSetting& input : InputsInForce(study))
        lines.push_back(fmt::format("{}={}", input.input, input.value));
    return lines;
}

}  // namespace kovra::host
