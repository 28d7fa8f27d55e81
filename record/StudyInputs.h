// How an input's value and selected text are read, by the study and by a host
// alike: yes/no values, list indices and selected texts.
#pragma once

#include <cmath>
#include <cstdint>
#include <cstring>

#include "record/HostStudyInterface.h"

namespace kovra::record {

// Yes is any non-zero value.
inline bool IsYes(const StudyInput& input) { return input.Value != 0; }

// A value as a list index, rounded half away from zero; -1 when it is not a
// number or lies outside the 32-bit range.
inline int32_t InputIndex(float value) {
    const double rounded = std::round(static_cast<double>(value));
    if (!(rounded >= -2147483648.0 && rounded <= 2147483647.0)) return -1;
    return static_cast<int32_t>(rounded);
}

inline int32_t InputIndex(const StudyInput& input) { return InputIndex(input.Value); }

// Whole-text, case-sensitive comparison; no text matches nothing.
inline bool SelectedTextIs(const StudyInput& input, const char* text) {
    return input.SelectedText != nullptr && std::strcmp(input.SelectedText, text) == 0;
}

}  // namespace kovra::record
