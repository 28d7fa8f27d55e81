// Each instruction set's window scan in the built library keeps its
// extremes in whole registers of that set: vector max and min on xmm, ymm or
// zmm registers, and no more than a handful of scalar ones (the few values
// shorter than one vector). Vectors wider than the registers compile to
// scalar code with spills, about a thousand scalar instructions.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <regex>
#include <string>

namespace {

struct ScanCode {
    int vectorMaxMin = 0;  // on the version's own registers
    int scalarMaxMin = 0;
};

struct Version {
    const char* function;  // as objdump names it, up to the parameters
    const char* registers;
};

constexpr Version kVersions[] = {
    {"kovra::study::ScanWindowExtremesBaseline", "xmm"}, {"kovra::study::ScanAdjacentWindowsBaseline", "xmm"},
    {"kovra::study::ScanWindowExtremesAvx2", "ymm"},     {"kovra::study::ScanAdjacentWindowsAvx2", "ymm"},
    {"kovra::study::ScanWindowExtremesAvx512", "zmm"},   {"kovra::study::ScanAdjacentWindowsAvx512", "zmm"},
};

// The max and min instructions of each version's code in the library.
std::map<std::string, ScanCode> ScanCodeOf(const std::string& library) {
    const std::string command = "objdump -d --no-show-raw-insn -C " + library;
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) return {};
    const std::regex functionStart(R"(^[0-9a-f]+ <([^(>]+)\(.*>:$)");
    // The last register named is the destination: its width is the vector's.
    const std::regex vectorMaxMin(R"(\bv?(max|min)ps\b.*%([xyz]mm))");
    const std::regex scalarMaxMin(R"(\bv?(max|min)ss\b)");
    std::map<std::string, ScanCode> code;
    ScanCode* current = nullptr;
    std::string currentRegisters;
    char buffer[1024];
    while (std::fgets(buffer, sizeof buffer, pipe) != nullptr) {
        std::string line(buffer);
        if (!line.empty() && line.back() == '\n') line.pop_back();
        std::smatch match;
        if (line.ends_with(">:") && std::regex_match(line, match, functionStart)) {
            current = nullptr;
            for (const Version& version : kVersions)
                if (match[1] == version.function) {
                    current = &code[version.function];
                    currentRegisters = version.registers;
                }
            continue;
        }
        if (current == nullptr) continue;
        if (std::regex_search(line, match, vectorMaxMin) && match[2] == currentRegisters) ++current->vectorMaxMin;
        if (std::regex_search(line, scalarMaxMin)) ++current->scalarMaxMin;
    }
    if (pclose(pipe) != 0) return {};
    return code;
}

TEST(WindowScanCode, EachVersionComparesWholeRegistersOfItsInstructionSet) {
#ifndef __OPTIMIZE__
    GTEST_SKIP() << "an unoptimised build blends with compares and masks instead of max and min";
#endif
    const char* library = std::getenv("KOVRA_STUDY_LIBRARY");
    ASSERT_NE(library, nullptr);
    const std::map<std::string, ScanCode> code = ScanCodeOf(library);
    // Four accumulators per direction at least; a scalar loop for windows
    // shorter than four values, which a compiler may unroll.
    constexpr int kLeastVector = 8, kMostScalar = 16;
    for (const Version& version : kVersions) {
        const auto found = code.find(version.function);
        ASSERT_NE(found, code.end()) << version.function << " not found in " << library;
        EXPECT_GE(found->second.vectorMaxMin, kLeastVector) << version.function << " on " << version.registers;
        EXPECT_LE(found->second.scalarMaxMin, kMostScalar) << version.function;
    }
}

}  // namespace
