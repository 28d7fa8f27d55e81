// Inputs the fuzzers found (and hand-made nasty ones), replayed through the
// same checks the fuzz targets run; the study is the built library, loaded as
// the platform loads it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <ostream>
#include <string>
#include <vector>

#include "fuzz/FuzzBarsCsv.h"
#include "fuzz/FuzzLevels.h"
#include "fuzz/FuzzStudyRecord.h"
#include "host/runtime/StudyLibrary.h"

namespace {

namespace fs = std::filesystem;

const kovra::host::StudyLibrary& Library() {
    static const kovra::host::StudyLibrary library(std::getenv("KOVRA_STUDY_LIBRARY"));
    return library;
}

using Check = std::string (*)(const uint8_t*, size_t);

std::string CheckStudyRecord(const uint8_t* data, size_t size) {
    return kovra::fuzz::CheckStudyRecordInput(Library().studyFunction(), data, size);
}

struct Target {
    const char* name;
    Check check;
};

const Target kTargets[] = {
    {"fuzz_bars_csv", &kovra::fuzz::CheckBarsCsvInput},
    {"fuzz_levels", &kovra::fuzz::CheckLevelsInput},
    {"fuzz_study_record", &CheckStudyRecord},
};

struct Regression {
    Target target;
    fs::path file;
};

void PrintTo(const Regression& regression, std::ostream* out) { *out << regression.file; }

std::vector<Regression> AllRegressions() {
    std::vector<Regression> all;
    for (const Target& target : kTargets) {
        const fs::path dir = fs::path(KOVRA_FUZZ_REGRESSIONS) / target.name;
        if (!fs::is_directory(dir)) continue;
        std::vector<fs::path> files;
        for (const fs::directory_entry& entry : fs::directory_iterator(dir))
            if (entry.is_regular_file()) files.push_back(entry.path());
        std::sort(files.begin(), files.end());
        for (const fs::path& file : files) all.push_back({target, file});
    }
    return all;
}

std::vector<uint8_t> ReadBytes(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class FuzzRegression : public testing::TestWithParam<Regression> {};

TEST_P(FuzzRegression, KeepsEveryProperty) {
    const std::vector<uint8_t> bytes = ReadBytes(GetParam().file);
    EXPECT_EQ(GetParam().target.check(bytes.data(), bytes.size()), "") << GetParam().file;
}

std::string TestName(const testing::TestParamInfo<Regression>& info) {
    std::string name = std::string(info.param.target.name) + "_" + info.param.file.filename().string();
    std::replace_if(
        name.begin(), name.end(), [](char c) { return !std::isalnum(static_cast<unsigned char>(c)); }, '_');
    return name;
}

INSTANTIATE_TEST_SUITE_P(Inputs, FuzzRegression, testing::ValuesIn(AllRegressions()), TestName);

TEST(FuzzRegressions, EveryTargetHasInputs) {
    for (const Target& target : kTargets) {
        const auto all = AllRegressions();
        const auto count = std::count_if(
            all.begin(), all.end(), [&](const Regression& r) { return std::string(r.target.name) == target.name; });
        EXPECT_GT(count, 0) << "no regression inputs for " << target.name;
    }
}

}  // namespace
