// Shared set-up of the label tests: a recording host carrying the study's
// declared subgraphs, with level colours that tell the thirteen lines apart.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "layout/StudyLayout.h"
#include "tests/support/RecordingHost.h"

namespace kovra::testing {

inline constexpr int64_t kMicrosecondsPerMinute = 60'000'000;
inline constexpr int64_t kMicrosecondsPerDay = 86'400'000'000;
// 2024-01-02 09:30, the first bar RecordingHost::AppendBars adds.
inline constexpr int64_t kFirstBarDateTime = 45293 * kMicrosecondsPerDay + (9 * 60 + 30) * kMicrosecondsPerMinute;

// The colour the tests give level subgraph `position`.
inline uint32_t LevelColourOf(int32_t position) { return 0x00A00000u + static_cast<uint32_t>(position); }

inline void GiveLevelsDistinctColours(RecordingHost& host) {
    for (int32_t position = 0; position < layout::kLevelCount; ++position)
        host.subgraph(position).PrimaryColour = LevelColourOf(position);
}

inline void Rename(RecordingHost& host, int32_t position, const char* name) {
    HostStudyInterface& r = host.record();
    r.TextAssign(&r, &host.subgraph(position).Name, name);
}

inline std::vector<std::string> TextsOf(const std::vector<Submission>& submissions) {
    std::vector<std::string> texts;
    for (const Submission& s : submissions) texts.push_back(s.text);
    return texts;
}

inline std::vector<int32_t> IdentifiersOf(const std::vector<Submission>& submissions) {
    std::vector<int32_t> identifiers;
    for (const Submission& s : submissions) identifiers.push_back(s.request.DrawingId);
    return identifiers;
}

}  // namespace kovra::testing
