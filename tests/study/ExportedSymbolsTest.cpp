// The study library exports its three entry points and nothing else.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <set>
#include <string>

#include "host/runtime/StudyLibrary.h"
#include "record/HostStudyInterface.h"

namespace {

std::string StudyLibraryPath() {
    const char* path = std::getenv("KOVRA_STUDY_LIBRARY");
    return path != nullptr ? path : "";
}

TEST(StudyLibrary, ExportsExactlyTheThreeEntryPoints) {
    const std::string command = "nm -D --defined-only " + StudyLibraryPath();
    FILE* pipe = popen(command.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::set<std::string> exported;
    char line[512];
    while (std::fgets(line, sizeof line, pipe) != nullptr) {
        char type = 0;
        char name[400] = {};
        // "address type name"; the version-node line (type A) is not a symbol of ours.
        if (std::sscanf(line, "%*s %c %399s", &type, name) == 2 && type != 'A') exported.insert(name);
    }
    ASSERT_EQ(pclose(pipe), 0) << command;
    EXPECT_EQ(exported, (std::set<std::string>{"scdll_DLLName", "scdll_DLLVersion", "scsf_KovraMathRTIntraday"}));
}

TEST(StudyLibrary, ReportsItsNameAndInterfaceVersion) {
    kovra::host::StudyLibrary library(StudyLibraryPath());
    EXPECT_EQ(library.name(), "Kovra Math RT Intraday");
    EXPECT_EQ(library.version(), 2188);
}

}  // namespace
