#include "study/Buttons.h"

#include <cstdint>

#include "layout/StudyLayout.h"
#include "record/HostArrayAccess.h"
#include "record/StudyInputs.h"

namespace kovra::study {

namespace {

using layout::kButtonCount;
using record::HostArrayAccess;
using record::InputIndex;
using record::IsYes;

constexpr int32_t kGridButton = 17;
constexpr int32_t kLastFrameSizeMark = 8;  // the set-up marks buttons 1 to 8 by the frame-size index

struct ButtonRow {
    const char* label;
    const char* hover;  // null: the study sets none
    StudyInput* StudyEntries::*input;
    float index;  // list index a push selects; the grid button toggles instead
};

// Element n is button n.
constexpr ButtonRow kButtons[kButtonCount + 1] = {
    {},
    {" 4 ", "Frame 4", &StudyEntries::frameSize, 0},
    {" 8 ", "Frame 8", &StudyEntries::frameSize, 1},
    {"16", nullptr, &StudyEntries::frameSize, 2},
    {"32", nullptr, &StudyEntries::frameSize, 3},
    {"64", nullptr, &StudyEntries::frameSize, 4},
    {"128", nullptr, &StudyEntries::frameSize, 5},
    {"256", nullptr, &StudyEntries::frameSize, 6},
    {"0%", "Frame Expansion 0%", &StudyEntries::priorFrameInclusion, 0},
    {"50%", "Frame Expansion 50%", &StudyEntries::priorFrameInclusion, 1},
    {"100%", "Frame Expansion 100%", &StudyEntries::priorFrameInclusion, 2},
    {"HL", "Highs to Lows (include wicks)", &StudyEntries::priceExtremes, 0},
    {"OC", "Opens to Closes (wicks don't count", &StudyEntries::priceExtremes, 1},
    {"Nor", "Algorithm NORMALIZED", &StudyEntries::frameAlgorithm, 0},
    {"Opt", "Algorithm OPTIMIZED", &StudyEntries::frameAlgorithm, 1},
    {"Acc", "Algorithm ACCELERATED", &StudyEntries::frameAlgorithm, 2},
    {"Lgc", "Algorithm LEGACY", &StudyEntries::frameAlgorithm, 3},
    {"Grid On/Off", "Grid toggle, show/hide", &StudyEntries::showGrid, 0},
};

ControlBarButton& Button(HostStudyInterface& host, int32_t number) {
    return HostArrayAccess(host, host.ControlBar, number);
}

// Buttons first..last get the text of the table's `column`, where it has one.
void AssignTexts(HostStudyInterface& host, int32_t first, int32_t last, const char* ButtonRow::*column,
                 HostText ControlBarButton::*text) {
    for (int32_t number = first; number <= last; ++number)
        if (const char* value = kButtons[number].*column; value != nullptr)
            host.TextAssign(&host, &(Button(host, number).*text), value);
}

}  // namespace

void SetUpButtons(HostStudyInterface& host, const StudyEntries& entries) {
    AssignTexts(host, 1, 2, &ButtonRow::hover, &ControlBarButton::Hover);
    AssignTexts(host, 1, 7, &ButtonRow::label, &ControlBarButton::Label);
    const int32_t frameSizeIndex = InputIndex(*entries.frameSize);
    for (int32_t number = 1; number <= kLastFrameSizeMark; ++number)
        if (frameSizeIndex == number - 1) Button(host, number).Pushed = 1;
    AssignTexts(host, 8, kButtonCount, &ButtonRow::label, &ControlBarButton::Label);
    AssignTexts(host, 8, kButtonCount, &ButtonRow::hover, &ControlBarButton::Hover);
}

void BlankButtons(HostStudyInterface& host) {
    for (int32_t number = 1; number <= kButtonCount; ++number) {
        ControlBarButton& button = Button(host, number);
        host.TextAssign(&host, &button.Label, "");
        host.TextAssign(&host, &button.Hover, "");
    }
}

void HandleButtonEvent(HostStudyInterface& host, const StudyEntries& entries) {
    const int32_t number = host.PendingButtonNumber;
    if (host.PendingButtonKind != kButtonPushedOn || number < 1 || number > kButtonCount) return;
    const ButtonRow& row = kButtons[number];
    StudyInput& input = *(entries.*row.input);
    if (number == kGridButton) {
        input.TypeCode = kInputTypeYesNo;
        input.Value = IsYes(input) ? 0.0f : 1.0f;
    } else {
        input.TypeCode = kInputTypeCustomList;
        input.Value = row.index;
    }
    Button(host, number).Pushed = 1;
    host.RecalculationRequested = 1;
}

}  // namespace kovra::study
