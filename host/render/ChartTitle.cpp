#include "host/render/ChartTitle.h"

namespace kovra::host {

namespace {

// "Name: value" for every input the study declared, in position order.
std::string InputsText(const StudyInstance& study) {
    std::string text;
    for (size_t position = 0; position < study.inputs().size(); ++position) {
        const StudyInput& input = study.inputs()[position];
        if (input.TypeCode == kInputTypeNotDeclared) continue;
        const std::string value = input.TypeCode == kInputTypeYesNo
                                      ? (input.Value != 0 ? "Yes" : "No")
                                      : study.SelectedTextOf(static_cast<int32_t>(position));
        if (!text.empty()) text += ", ";
        text += std::string(TextView(input.Name)) + ": " + value;
    }
    return text;
}

}  // namespace

std::string ChartTitle(const StudyInstance& study) {
    std::string title(TextView(study.record().StudyName));
    const std::string inputs = InputsText(study);
    if (!inputs.empty()) title += (title.empty() ? "" : " \u2014 ") + inputs;
    return title;
}

}  // namespace kovra::host
