#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "host/outputs/OutputFiles.h"

namespace kovra::host {
namespace {

namespace fs = std::filesystem;

class OutputFilesTest : public testing::Test {
protected:
    void SetUp() override {
        std::string pattern = testing::TempDir() + "/atomic-XXXXXX";
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        folder_ = pattern;
    }
    void TearDown() override { fs::remove_all(folder_); }

    std::vector<std::string> Entries() const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(folder_)) names.push_back(entry.path().filename().string());
        return names;
    }
    static std::string Read(const fs::path& path) {
        std::ifstream file(path, std::ios::binary);
        std::ostringstream text;
        text << file.rdbuf();
        return text.str();
    }

    fs::path folder_;
};

TEST_F(OutputFilesTest, WritesAndReplacesLeavingOnlyTheTarget) {
    const fs::path target = folder_ / "series.csv";
    WriteFileAtomically(target.string(), "first");
    EXPECT_EQ(Read(target), "first");
    const std::string large(5'000'000, 'x');
    WriteFileAtomically(target.string(), large);
    EXPECT_EQ(Read(target), large);
    WriteFileAtomically(target.string(), "");
    EXPECT_EQ(Read(target), "");
    EXPECT_THAT(Entries(), testing::ElementsAre("series.csv"));
}

TEST_F(OutputFilesTest, AMissingFolderFailsNamingThePathAndCreatesNothing) {
    const fs::path target = folder_ / "missing" / "series.csv";
    EXPECT_THAT(
        [&] { WriteFileAtomically(target.string(), "data"); },
        testing::ThrowsMessage<std::runtime_error>("cannot write '" + target.string() +
                                                   "': cannot create a temporary file: No such file or directory"));
    EXPECT_TRUE(Entries().empty());
}

TEST_F(OutputFilesTest, AFolderInTheTargetsPlaceStaysAndNoTemporaryFileRemains) {
    const fs::path target = folder_ / "taken";
    fs::create_directory(target);
    EXPECT_THAT(
        [&] { WriteFileAtomically(target.string(), "data"); },
        testing::ThrowsMessage<std::runtime_error>(testing::HasSubstr("cannot write '" + target.string() + "'")));
    EXPECT_TRUE(fs::is_directory(target));
    EXPECT_THAT(Entries(), testing::ElementsAre("taken"));
}

TEST_F(OutputFilesTest, AFolderPathIsNotAFileName) {
    const std::string target = folder_.string() + "/";
    EXPECT_THAT(
        [&] { WriteFileAtomically(target, "data"); },
        testing::ThrowsMessage<std::runtime_error>("cannot write '" + target + "': not a file name: Invalid argument"));
    EXPECT_TRUE(Entries().empty());
}

}  // namespace
}  // namespace kovra::host
