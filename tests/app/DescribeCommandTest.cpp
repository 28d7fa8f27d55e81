// kovra describe, run as a user runs it.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "tests/support/RunKovra.h"

namespace {

using kovra::testing::FreshTestFolder;
using kovra::testing::RunKovra;

TEST(DescribeCommand, ShowsTheSettingsDialogOfTheBuiltStudy) {
    const auto result = RunKovra({"describe"});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    const std::string& out = result.out;
    for (const char* expected : {
             "Kovra Math RT Intraday  (version 2188)",
             "  11  Frame Size  (custom list)\n      items: 4, 8, 16 (default), 32, 64, 128, 256\n",
             "  10  Frame Algorithm  (custom list)\n      items: Normalized, Optimized (default), Accelerated, Legacy\n"
             "      Different methods of calculating MM price levels \n"
             "      (Accelerated is closest to the platform's built-in formula)\n",
             "  16  Show Frame History  (yes/no)\n      default: yes\n",
             "   2  8/8th                            0x00FF0000 #0000FF",
             "  15  Circles of Conflict Border/Fill  0x00FFFF00 #00FFFF  0x00808000 #008080      0      4     99",
             "  20  Price line Labelling             0x00000000 #000000  0x00000000 #000000      0      0     99  "
             "0x052303    off           7          7",
             "\nDescription\n  Buttons: \n  - Control-bar buttons are enabled",
             "  - You can set your own colours.\n",
         })
        EXPECT_NE(out.find(expected), std::string::npos) << "missing:\n" << expected << "\nin:\n" << out;
    // Twenty declared subgraphs: 0 to 15 and 18 to 21.
    size_t rows = 0;
    for (size_t at = out.find("\nSubgraphs\n"); (at = out.find("\n  ", at + 1)) != std::string::npos &&
                                                 at < out.find("\nDescription");)
        ++rows;
    EXPECT_EQ(rows, 21u);  // the header row and twenty subgraphs
}

TEST(DescribeCommand, NamesTheFileItLoadedNotTheLinkItWasGiven) {
    const std::filesystem::path built = std::filesystem::canonical(std::getenv("KOVRA_STUDY_LIBRARY"));
    const std::filesystem::path link = std::filesystem::path(FreshTestFolder("describe-link")) / "study.so";
    std::filesystem::create_symlink(built, link);
    const auto result = RunKovra({"describe", "--study", link.string()});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_NE(result.out.find("\nlibrary: " + built.string() + "\n"), std::string::npos) << result.out;
    std::filesystem::remove_all(link.parent_path());
}

TEST(DescribeCommand, ALibraryThatDoesNotLoadIsAUsageErrorWithOneLine) {
    const auto result = RunKovra({"describe", "--study", "/nonexistent/lib.so"});
    EXPECT_EQ(result.exitCode, 2);
    EXPECT_EQ(result.err, "kovra: cannot load study library /nonexistent/lib.so: no such file\n");
    EXPECT_TRUE(result.out.empty());
}

TEST(DescribeCommand, UnknownOptionIsAUsageError) {
    const auto result = RunKovra({"describe", "--frobnicate"});
    EXPECT_EQ(result.exitCode, 2);
    EXPECT_NE(result.err.find("frobnicate"), std::string::npos) << result.err;
}

TEST(DescribeCommand, HelpExitsZero) {
    const auto result = RunKovra({"describe", "--help"});
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_NE(result.out.find("--study"), std::string::npos);
}

}  // namespace
