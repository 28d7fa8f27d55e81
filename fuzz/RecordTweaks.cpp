#include "fuzz/RecordTweaks.h"

#include <iterator>

#include "fuzz/FuzzPrices.h"

namespace kovra::fuzz {

namespace {

// Selected texts a host might hand over: the real ones, near misses, numbers
// that do not fit, and no text at all.
constexpr const char* kOddTexts[] = {
    nullptr,      "",     " ",     "4",    "8",  "16",         "256",        "0",           "-4",
    "-16",        "007",  " 16",   "16 ",  "+8", "2147483647", "2147483648", "-2147483648", "99999999999999999999",
    "1e9",        "0x10", "16abc", "abc",  "0%", "50%",        "100%",       "-100%",       "1e308%",
    "1e40",       "nan",  "inf",   "-inf", "%",  "Normalized", "Optimized",  "Accelerated", "Legacy",
    "normalized", "HL",   "OC",    "hl",
};

constexpr const char* kSubgraphNames[] = {
    "Circles of Conflict Border/Fill",
    "Speedlines Major - Up/Down",
    "Minor Speedlines - Up/Down",
    "Price line Labelling",
    "Time line Labelling",
    "",
    "8/8th",
    "Price line labelling",
};

int32_t HostFlag(FuzzInput& input) {
    constexpr int32_t kValues[] = {0, 1, -1, 0};
    return kValues[input.Byte() % 4];
}

float InputValue(FuzzInput& input) {
    const uint8_t selector = input.Byte();
    if (selector < 160) return static_cast<float>(selector % 12) - 2;
    return AwkwardPrice(input);
}

}  // namespace

void TweakInputValue(FuzzInput& input, host::StudyInstance& study) {
    const uint8_t position = input.Byte() % 32;
    study.SetInputValue(position, InputValue(input));
}

void TweakSelectedText(FuzzInput& input, host::StudyInstance& study, std::deque<std::string>& ownedTexts) {
    host::RecordColumn<StudyInput>& inputs = study.inputs();
    const uint8_t position = input.Byte() % 32;
    const uint8_t selector = input.Byte();
    const char* text =
        selector < 200 ? kOddTexts[selector % std::size(kOddTexts)] : ownedTexts.emplace_back(input.Text(24)).c_str();
    if (position < inputs.size()) inputs[position].SelectedText = text;
}

void TweakSubgraph(FuzzInput& input, host::StudyInstance& study) {
    host::RecordColumn<StudySubgraph>& subgraphs = study.subgraphs();
    const uint8_t position = input.Byte() % 32;
    const uint8_t field = input.Byte() % 8;
    StudySubgraph spare = host::DefaultSubgraph();
    StudySubgraph& subgraph = position < subgraphs.size() ? subgraphs[position] : spare;
    switch (field) {
        case 0: {
            const uint8_t selector = input.Byte();
            const std::string name =
                selector < 200 ? kSubgraphNames[selector % std::size(kSubgraphNames)] : input.Text(40);
            host::AssignText(study.chart().texts, subgraph.Name, name.c_str());
            break;
        }
        case 1:
            subgraph.DrawStyle = input.Raw<int16_t>();
            break;
        case 2:
            subgraph.AngleUnit = AwkwardPrice(input);
            break;
        case 3:
            subgraph.AngleMax = AwkwardPrice(input);
            break;
        case 4:
            subgraph.LineWidth = input.Raw<int16_t>();
            subgraph.LineStyle = input.Raw<int16_t>();
            break;
        case 5:
            subgraph.LabelSettings = input.Raw<uint32_t>();
            subgraph.LabelFlag = input.Byte();
            break;
        case 6:
            subgraph.PrimaryColour = input.Raw<uint32_t>();
            subgraph.SecondaryColour = input.Raw<uint32_t>();
            break;
        default:
            host::ReleaseText(subgraph.Name);
            break;
    }
    host::ReleaseText(spare.Name);
}

void SetHostFlags(FuzzInput& input, HostStudyInterface& record) {
    record.DrawingsSuppressed = HostFlag(input);
    record.ReleaseButtons = HostFlag(input);
    record.HoldChartUpdates = HostFlag(input);
}

host::ButtonEvent FuzzButtonEvent(FuzzInput& input) {
    constexpr int32_t kKinds[] = {kButtonPushedOn, kButtonPushedOn, kButtonPushedOff, 0};
    host::ButtonEvent event;
    const uint8_t number = input.Byte();
    event.number = number < 220 ? number % 20 : input.Raw<int32_t>();
    const uint8_t kind = input.Byte();
    event.kind = kind < 220 ? kKinds[kind % 4] : input.Raw<int32_t>();
    return event;
}

}  // namespace kovra::fuzz
