// The labels of the embedded sample's current frame, as `kovra run --drawings`
// reports them: what a reader of the chart expects to see.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/RunKovra.h"

namespace {

using kovra::testing::FreshTestFolder;
using kovra::testing::RunKovra;
using nlohmann::json;

// "2024-03-15 09:05:00" as the date labels write it: "3/15\n9:05".
std::string DateLabel(const std::string& isoDateTime) {
    int year = 0, month = 0, day = 0, hour = 0, minute = 0;
    std::sscanf(isoDateTime.c_str(), "%d-%d-%d %d:%d", &year, &month, &day, &hour, &minute);
    char text[32];
    std::snprintf(text, sizeof text, "%d/%d\n%d:%02d", month, day, hour, minute);
    return text;
}

// Bar index -> date-time column of the series file.
std::vector<std::string> BarDateTimes(const std::string& seriesPath) {
    std::ifstream file(seriesPath);
    std::vector<std::string> dateTimes;
    std::string line;
    std::getline(file, line);  // header
    while (std::getline(file, line)) {
        std::istringstream cells(line);
        std::string bar, dateTime;
        std::getline(cells, bar, ',');
        std::getline(cells, dateTime, ',');
        dateTimes.push_back(dateTime);
    }
    return dateTimes;
}

TEST(RunLabelsEndToEnd, TheSampleFrameCarriesItsPriceAndTimeLabels) {
    const std::string folder = FreshTestFolder("labels-end-to-end");
    const auto result = RunKovra(
        {"run", "--quiet", "--value-format", "2", "--drawings", folder + "/d.json", "--series", folder + "/s.csv"});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    const json document = json::parse(std::ifstream(folder + "/d.json"));
    const std::vector<std::string> dateTimes = BarDateTimes(folder + "/s.csv");
    const int frameStart = document["PersistentIntegers"]["1"];
    const int frameEnd = document["PersistentIntegers"]["2"];
    const int lastBar = document["LastBar"];
    ASSERT_EQ(frameEnd - frameStart, 16) << "the default frame of 16 bars";

    std::map<int, std::string> names, values, eighths, dates;
    for (const json& drawing : document["Drawings"]) {
        if (drawing["DrawingType"] != 6) continue;
        const int id = drawing["DrawingId"];
        const std::string text = drawing["DrawingText"].is_null() ? "" : drawing["DrawingText"].get<std::string>();
        if (id >= 9998 && id <= 10010) names[id - 10000] = text;
        if (id >= 19998 && id <= 20010) {
            // The value label is the price the label stands at, as the host formats it.
            char price[64];
            std::snprintf(price, sizeof price, " %.2f", drawing["FirstPrice"].get<double>());
            EXPECT_EQ(text, price) << "value label " << id;
            values[id - 20000] = text;
        }
        if (id >= 25000 && id <= 25008) eighths[id - 25000] = text;
        if (id >= 26000 && id <= 26008) dates[id - 26000] = text;
    }

    EXPECT_EQ(names.size() + values.size(), 26u);
    const std::map<int, std::string> expectedNames = {
        {-2, "-2/8th "}, {-1, "-1/8th "}, {0, "0/8th "}, {1, "1/8th "}, {2, "2/8th "},  {3, "3/8th "},  {4, "4/8th "},
        {5, "5/8th "},   {6, "6/8th "},   {7, "7/8th "}, {8, "8/8th "}, {9, "+1/8th "}, {10, "+2/8th "}};
    EXPECT_EQ(names, expectedNames);
    EXPECT_EQ(values.size(), 13u);

    // A 16-bar frame: an eighth every two bars, numbered without "/8"; the
    // eighths beyond the last bar read the last bar's date and time.
    ASSERT_EQ(eighths.size(), 9u);
    ASSERT_EQ(dates.size(), 9u);
    for (int i = 0; i <= 8; ++i) {
        EXPECT_EQ(eighths[i], std::to_string(i));
        const int bar = std::min(frameStart + 2 * i, lastBar);
        EXPECT_EQ(dates[i], DateLabel(dateTimes.at(static_cast<size_t>(bar)))) << "eighth " << i;
    }
}

}  // namespace
