// How the study reads its inputs: yes/no values, list indices and selected texts.
#pragma once

#include <cmath>
#include <cstdint>
#include <cstring>

#include "study/HostStudyInterface.h"

inline constexpr uint8_t kInputTypeCustomList = 22;
inline constexpr uint8_t kInputTypeYesNo = 5;

// Yes is any non-zero value.
inline bool IsYes(const StudyInput& input) { return input.Value != 0; }

// The value as a list index, rounded half away from zero; -1 when it is not
// a number or lies outside the 32-bit range.
inline int32_t InputIndex(const StudyInput& input) {
    const double rounded = std::round(static_cast<double>(input.Value));
    if (!(rounded >= -2147483648.0 && rounded <= 2147483647.0)) return -1;
    return static_cast<int32_t>(rounded);
}

// Whole-text, case-sensitive comparison; no text matches nothing.
inline bool SelectedTextIs(const StudyInput& input, const char* text) {
    return input.SelectedText != nullptr && std::strcmp(input.SelectedText, text) == 0;
}
