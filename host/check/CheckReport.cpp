#include "host/check/CheckReport.h"

#include <algorithm>

#include <fmt/format.h>
#include <nlohmann/json.hpp>

namespace kovra::host {

namespace {

using json = nlohmann::ordered_json;

const char* ResultText(Verdict verdict) {
    switch (verdict) {
        case Verdict::kPass:
            return "pass";
        case Verdict::kSkip:
            return "skip";
        default:
            return "fail";
    }
}

int64_t Counted(const std::vector<CheckRow>& rows, Verdict verdict) {
    return std::count_if(rows.begin(), rows.end(),
                         [verdict](const CheckRow& row) { return row.verdict.verdict == verdict; });
}

std::string CountsText(const CheckRunSummary& run) {
    return fmt::format("{} passed, {} failed, {} skipped at strictness {}\n", Counted(run.rows, Verdict::kPass),
                       Counted(run.rows, Verdict::kFail), Counted(run.rows, Verdict::kSkip), run.strictness);
}

}  // namespace

bool AnyCheckFailed(const std::vector<CheckRow>& rows) {
    return std::any_of(rows.begin(), rows.end(), [](const CheckRow& row) { return row.verdict.failed(); });
}

std::string FormatCheckTable(const CheckRunSummary& run) {
    struct Line {
        std::string result, name, bar, value, reason;
    };
    std::vector<Line> lines{{"result", "check", "bar", "value", "reason"}};
    for (const CheckRow& row : run.rows) {
        const CheckVerdict& verdict = row.verdict;
        lines.push_back({ResultText(verdict.verdict), row.check->name, verdict.bar ? std::to_string(*verdict.bar) : "-",
                         verdict.value.empty() ? "-" : verdict.value, verdict.reason});
    }
    size_t widths[4] = {};
    for (const Line& line : lines)
        for (const auto& [width, cell] : {std::pair{&widths[0], &line.result}, std::pair{&widths[1], &line.name},
                                          std::pair{&widths[2], &line.bar}, std::pair{&widths[3], &line.value}})
            *width = std::max(*width, cell->size());
    std::string out;
    for (const Line& line : lines)
        out += fmt::format("{:<{}}  {:<{}}  {:<{}}  {:<{}}  {}\n", line.result, widths[0], line.name, widths[1],
                           line.bar, widths[2], line.value, widths[3], line.reason);
    return out + CountsText(run);
}

std::string FormatCheckJson(const CheckRunSummary& run) {
    json checks = json::array();
    for (const CheckRow& row : run.rows) {
        const CheckVerdict& verdict = row.verdict;
        checks.push_back({{"name", row.check->name},
                          {"strictness", row.check->strictness},
                          {"result", ResultText(verdict.verdict)},
                          {"reason", verdict.reason},
                          {"bar", verdict.bar ? json(*verdict.bar) : json(nullptr)},
                          {"value", verdict.value.empty() ? json(nullptr) : json(verdict.value)}});
    }
    const json out = {{"library", run.library},
                      {"strictness", run.strictness},
                      {"passed", Counted(run.rows, Verdict::kPass)},
                      {"failed", Counted(run.rows, Verdict::kFail)},
                      {"skipped", Counted(run.rows, Verdict::kSkip)},
                      {"checks", checks}};
    return out.dump(2, ' ', false, json::error_handler_t::replace) + "\n";
}

}  // namespace kovra::host
