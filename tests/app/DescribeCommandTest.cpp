// kovra describe, run as a user runs it (what it shows is compared with a
// golden file in GoldenOutputsTest).
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "tests/support/RunKovra.h"

namespace {

using kovra::testing::FreshTestFolder;
using kovra::testing::RunKovra;

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
