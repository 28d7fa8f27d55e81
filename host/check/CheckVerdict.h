// What one check concludes about a study library.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace kovra::host {

enum class Verdict : uint8_t {
    kPass,
    kFail,
    kSkip,
    kNotAStudyLibrary,  // the file is no study library at all: a usage error, not a finding
};

struct CheckVerdict {
    Verdict verdict = Verdict::kPass;
    std::string reason;          // one line: what passed, or the first thing that failed
    std::optional<int64_t> bar;  // a failure: the first bar where it showed, when it showed at one
    std::string value;           // a failure: the value found there, as text; empty when none
    bool crashed = false;        // a failure: the study crashed, hung or ended the check's process
    std::string payload;         // handed from a check's helper process to the check, never shown

    static CheckVerdict Pass(std::string reason) { return {Verdict::kPass, std::move(reason), {}, {}, false, {}}; }
    static CheckVerdict Fail(std::string reason, std::optional<int64_t> bar = {}, std::string value = {}) {
        return {Verdict::kFail, std::move(reason), bar, std::move(value), false, {}};
    }
    static CheckVerdict Skip(std::string reason) { return {Verdict::kSkip, std::move(reason), {}, {}, false, {}}; }
    bool failed() const { return verdict == Verdict::kFail; }
};

}  // namespace kovra::host
