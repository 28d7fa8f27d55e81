// A followed bar file: only complete appended lines are read, in order.
#include <gtest/gtest.h>

#include <fstream>

#include "host/serve/FollowedFile.h"
#include "tests/support/RunKovra.h"

namespace {

using kovra::host::FollowedFile;

TEST(FollowedFile, ReadsCompleteAppendedLinesAndStartsOverWhenTheFileShrinks) {
    const std::string path = kovra::testing::FreshTestFolder("followed_file") + "/bars.csv";
    std::ofstream(path) << "Date;Time;Open;High;Low;Close\n2024-01-02;09:30;1;2;0.5;1.5\n";
    std::vector<std::string> warnings;
    FollowedFile followed(path, [&warnings](const std::string& line) { warnings.push_back(line); });
    EXPECT_TRUE(followed.ReadAppended().empty()) << "the lines already there are not new";

    std::ofstream(path, std::ios::app) << "\n2024-01-02;09:31;1.5;2;1;1.75\n2024-01-02;09:32;1.75;2";
    auto bars = followed.ReadAppended();
    ASSERT_EQ(bars.size(), 1u) << "a blank line is skipped, an unfinished one waits";
    EXPECT_EQ(bars[0].close, 1.75f);
    std::ofstream(path, std::ios::app) << ";1;1.25\n";
    bars = followed.ReadAppended();
    ASSERT_EQ(bars.size(), 1u);
    EXPECT_EQ(bars[0].open, 1.75f);
    EXPECT_EQ(bars[0].close, 1.25f);
    EXPECT_TRUE(warnings.empty());

    std::ofstream(path) << "Date;Time;Open;High;Low;Close\n";
    EXPECT_TRUE(followed.ReadAppended().empty());
    ASSERT_EQ(warnings.size(), 1u);
    EXPECT_NE(warnings[0].find("got shorter"), std::string::npos) << warnings[0];
    std::ofstream(path, std::ios::app) << "2024-01-03;09:30;3;4;2;3.5\n";
    bars = followed.ReadAppended();
    ASSERT_EQ(bars.size(), 1u);
    EXPECT_EQ(bars[0].close, 3.5f);
}

}  // namespace
