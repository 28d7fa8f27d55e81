#include <cmath>
#include <cstdlib>
#include <limits>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "host/outputs/SeriesCsv.h"
#include "record/HostArrayAccess.h"
#include "tests/support/RunKovra.h"

using kovra::record::HostArrayAccess;
using kovra::testing::Cells;

namespace kovra::host {
namespace {

constexpr const char* kNames[13] = {"+2/8th", "+1/8th", "8/8th", "7/8th", "6/8th",  "5/8th",  "4/8th",
                                    "3/8th",  "2/8th",  "1/8th", "0/8th", "-1/8th", "-2/8,th"};

// Values that need all nine digits to come back as the same float.
float ValueOf(int32_t subgraph, int32_t bar) {
    return 0.1f * static_cast<float>(subgraph + 1) + 1.0f / 3.0f * static_cast<float>(bar);
}

// Names its level subgraphs; writes every series from bar 1 on, except the
// lower extreme, which it never fetches.
void FakeStudy(HostStudyInterface& host) {
    if (host.IsDefaultsCall) {
        for (int32_t i = 0; i < 13; ++i)
            host.TextAssign(&host, &HostArrayAccess(host, host.Subgraphs, i).Name, kNames[i]);
        return;
    }
    if (host.CurrentBar == 0) return;
    for (int32_t i = 0; i < 14; ++i)
        HostArrayAccess(host, HostArrayAccess(host, host.Subgraphs, i).Series, host.CurrentBar) =
            ValueOf(i, host.CurrentBar);
}

class SeriesCsvTest : public ::testing::Test {
protected:
    void SetUp() override {
        chart_.bars.Append(45366 * 86'400'000'000LL + 34'200'000'000LL, 4512.25f, 4513.5f, 4511.0f, 4512.75f);
        chart_.bars.Append(45366 * 86'400'000'000LL + 34'260'000'000LL, 0.1f, 16777216.0f, -1e-7f, 4513.0f);
        chart_.bars.Append(45367 * 86'400'000'000LL, 1, 2, 0, 1);
        study_.CallDefaults();
        for (int32_t bar = 0; bar < chart_.bars.size(); ++bar) study_.CallBar(bar);
    }
    Chart chart_;
    StudyInstance study_{chart_, FakeStudy, 1};
};

TEST_F(SeriesCsvTest, HeaderNamesTheLevelSubgraphsAndTheExtremes) {
    const std::string csv = FormatSeriesCsv(study_);
    EXPECT_EQ(csv.substr(0, csv.find('\n')),
              "bar,datetime,open,high,low,close,+2/8th,+1/8th,8/8th,7/8th,6/8th,5/8th,4/8th,3/8th,2/8th,1/8th,0/8th,"
              "-1/8th,\"-2/8,th\",upper extreme,lower extreme");
}

TEST_F(SeriesCsvTest, RowsGiveBarsAndValuesWithEmptyCellsWhereNothingWasWritten) {
    std::istringstream csv(FormatSeriesCsv(study_));
    std::string line;
    std::getline(csv, line);
    std::getline(csv, line);
    EXPECT_EQ(line, "0,2024-03-15 09:30:00,4512.25,4513.5,4511,4512.75,,,,,,,,,,,,,,,");
    std::getline(csv, line);
    const std::vector<std::string> cells = Cells(line);
    const std::vector<std::string> prices(cells.begin(), cells.begin() + 6);
    EXPECT_EQ(prices, (std::vector<std::string>{"1", "2024-03-15 09:31:00", "0.100000001", "16777216",
                                                "-1.00000001e-07", "4513"}));
    for (int32_t bar = 1; bar < 3; ++bar) {
        if (bar == 2) std::getline(csv, line);
        const std::vector<std::string> cells = Cells(line);
        ASSERT_EQ(cells.size(), 21u) << line;
        for (int32_t i = 0; i < 14; ++i)
            EXPECT_EQ(std::strtof(cells[static_cast<size_t>(6 + i)].c_str(), nullptr), ValueOf(i, bar)) << line;
        EXPECT_EQ(cells[20], "");
    }
    EXPECT_EQ(Cells(line)[1], "2024-03-16 00:00:00");
    EXPECT_FALSE(std::getline(csv, line));
}

}  // namespace
}  // namespace kovra::host
