#include "host/bars/BarsHeader.h"

#include <algorithm>

#include <fmt/format.h>

#include "host/text/ShownText.h"

namespace kovra::host {
namespace {

// What a header name says; "Last" stands in for a missing "Close".
enum Role : uint8_t {
    kDateTimeRole,
    kDateRole,
    kTimeRole,
    kOpenRole,
    kHighRole,
    kLowRole,
    kCloseRole,
    kLastRole,
    kVolumeRole,
    kRoleCount
};

struct KnownName {
    std::string_view name;  // lower case, without angle brackets
    Role role;
};

constexpr KnownName kKnownNames[] = {
    {"datetime", kDateTimeRole},
    {"date time", kDateTimeRole},
    {"date_time", kDateTimeRole},
    {"timestamp", kDateTimeRole},
    {"unix", kDateTimeRole},
    {"epoch", kDateTimeRole},
    {"date", kDateRole},
    {"dtyyyymmdd", kDateRole},
    {"time", kTimeRole},
    {"open", kOpenRole},
    {"o", kOpenRole},
    {"high", kHighRole},
    {"h", kHighRole},
    {"low", kLowRole},
    {"l", kLowRole},
    {"close", kCloseRole},
    {"c", kCloseRole},
    {"last", kLastRole},
    {"volume", kVolumeRole},
    {"vol", kVolumeRole},
    {"v", kVolumeRole},
};

constexpr size_t kMaxNamesListed = 12;

std::string Normalised(std::string_view name) {
    if (name.size() >= 2 && name.front() == '<' && name.back() == '>') name = name.substr(1, name.size() - 2);
    std::string lower(name);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; });
    return lower;
}

std::string ColumnsFound(const std::vector<std::string>& names) {
    std::string list;
    for (size_t i = 0; i < names.size() && i < kMaxNamesListed; ++i)
        list += fmt::format("{}\"{}\"", i == 0 ? "" : ", ", ShownText(names[i], 40));
    if (names.size() > kMaxNamesListed) list += ", ...";
    return "; columns found: " + list;
}

}  // namespace

bool ReadBarsHeader(const std::vector<std::string_view>& cells, BarsHeader& header, BarsHeaderProblem& problem) {
    std::array<int32_t, kRoleCount> cellOfRole;
    cellOfRole.fill(BarsHeader::kAbsent);
    header.names.assign(cells.begin(), cells.end());
    for (size_t cell = 0; cell < cells.size(); ++cell) {
        const std::string name = Normalised(cells[cell]);
        const auto known = std::find_if(std::begin(kKnownNames), std::end(kKnownNames),
                                        [&name](const KnownName& k) { return k.name == name; });
        if (known == std::end(kKnownNames)) continue;  // other columns are carried but not read
        int32_t& slot = cellOfRole[known->role];
        if (slot != BarsHeader::kAbsent) {
            problem = {static_cast<int32_t>(cell),
                       fmt::format("column \"{}\" appears twice (as \"{}\" before)", ShownText(cells[cell], 40),
                                   ShownText(cells[static_cast<size_t>(slot)], 40))};
            return false;
        }
        slot = static_cast<int32_t>(cell);
    }
    const auto has = [&cellOfRole](Role role) { return cellOfRole[role] != BarsHeader::kAbsent; };
    header.cellOf.fill(BarsHeader::kAbsent);
    const std::string found = ColumnsFound(header.names);
    if (has(kDateTimeRole) && (has(kDateRole) || has(kTimeRole))) {
        problem = {cellOfRole[kDateTimeRole],
                   "the header row names a date-time column and also separate date or time "
                   "columns; keep one of the two forms" +
                       found};
        return false;
    }
    if (has(kDateRole) && has(kTimeRole)) {
        header.cellOf[kDateField] = cellOfRole[kDateRole];
        header.cellOf[kTimeField] = cellOfRole[kTimeRole];
    } else {
        for (const Role role : {kDateTimeRole, kDateRole, kTimeRole})
            if (has(role)) header.cellOf[kDateTimeField] = cellOfRole[role];
    }
    if (!header.Has(kDateTimeField) && !header.Has(kDateField)) {
        problem = {0,
                   "the header row names no date or date-time column (expected a name such as Date, Time, "
                   "DateTime, Timestamp, <DATE> or <DTYYYYMMDD>)" +
                       found};
        return false;
    }
    header.cellOf[kOpenField] = cellOfRole[kOpenRole];
    header.cellOf[kHighField] = cellOfRole[kHighRole];
    header.cellOf[kLowField] = cellOfRole[kLowRole];
    header.cellOf[kCloseField] = has(kCloseRole) ? cellOfRole[kCloseRole] : cellOfRole[kLastRole];
    header.cellOf[kVolumeField] = cellOfRole[kVolumeRole];
    const std::pair<BarField, const char*> prices[] = {
        {kOpenField, "\"Open\" (or \"O\")"},
        {kHighField, "\"High\" (or \"H\")"},
        {kLowField, "\"Low\" (or \"L\")"},
        {kCloseField, "\"Close\" (or \"C\" or \"Last\"; \"Adj Close\" is not read as the close)"}};
    for (const auto& [field, expected] : prices) {
        if (header.Has(field)) continue;
        problem = {0, fmt::format("the header row names no {} column{}", expected, found)};
        return false;
    }
    header.neededCells = 0;
    for (size_t field = 0; field < kBarFieldCount; ++field)
        if (field != kVolumeField) header.neededCells = std::max(header.neededCells, header.cellOf[field] + 1);
    return true;
}

}  // namespace kovra::host
