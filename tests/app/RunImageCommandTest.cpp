// kovra run --image, --size and --window, run as a user runs them.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "tests/support/RunKovra.h"

namespace {

using kovra::testing::FreshTestFolder;
using kovra::testing::RunKovra;

std::string FirstBytes(const std::string& path, size_t count) {
    std::ifstream file(path, std::ios::binary);
    std::string bytes(count, '\0');
    file.read(bytes.data(), static_cast<std::streamsize>(count));
    bytes.resize(static_cast<size_t>(file.gcount()));
    return bytes;
}

TEST(RunImageCommand, WritesEachFormatByItsExtension) {
    const std::string folder = FreshTestFolder("run-image");
    const struct {
        const char* name;
        std::string magic;
    } formats[] = {{"chart.png", "\x89PNG"}, {"chart.svg", "<?xml"}, {"chart.pdf", "%PDF"}};
    for (const auto& format : formats) {
        const std::string path = folder + "/" + format.name;
        const auto result = RunKovra({"run", "--quiet", "--image", path, "--size", "800x500", "--window", "120"});
        ASSERT_EQ(result.exitCode, 0) << format.name << ": " << result.err;
        EXPECT_EQ(FirstBytes(path, format.magic.size()), format.magic) << format.name;
    }
    size_t files = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(folder)) ++files;
    EXPECT_EQ(files, 3u) << "no temporary file is left behind";
}

TEST(RunImageCommand, BadRequestsAreUsageErrorsThatWriteNothing) {
    const std::string folder = FreshTestFolder("run-image-bad");
    const struct {
        std::vector<std::string> arguments;
        const char* message;
    } rows[] = {
        {{"--image", folder + "/chart.gif"}, "must end in .png, .svg or .pdf"},
        {{"--image", folder + "/chart.png", "--size", "10x10"}, "out of range"},
        {{"--image", folder + "/chart.png", "--size", "wide"}, "is not WIDTHxHEIGHT"},
        {{"--image", folder + "/chart.png", "--window", "-3"}, "--window"},
    };
    for (const auto& row : rows) {
        std::vector<std::string> arguments{"run", "--series", folder + "/series.csv"};
        arguments.insert(arguments.end(), row.arguments.begin(), row.arguments.end());
        const auto result = RunKovra(arguments);
        EXPECT_EQ(result.exitCode, 2) << row.message;
        EXPECT_NE(result.err.find(row.message), std::string::npos) << result.err;
        EXPECT_TRUE(std::filesystem::is_empty(folder)) << row.message;
    }
}

TEST(RunImageCommand, AnUnwritableImageIsARuntimeFailure) {
    const auto result = RunKovra({"run", "--quiet", "--image", "/nonexistent-folder/chart.png"});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_NE(result.err.find("/nonexistent-folder/chart.png"), std::string::npos) << result.err;
}

}  // namespace
