// The loader's conformance: every broken library gives one clear line naming
// the file and the fault, and the process goes on.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <string>

#include "host/runtime/Chart.h"
#include "host/runtime/StudyInstance.h"
#include "host/runtime/StudyLibrary.h"
#include "tests/support/ProcessTempPath.h"

namespace {

using kovra::host::StudyLibrary;
using kovra::host::StudyLoadError;

std::string LoadError(const std::string& path) {
    try {
        StudyLibrary library(path);
    } catch (const StudyLoadError& error) {
        return error.what();
    }
    return "";
}

TEST(StudyLoader, RejectsAMissingFile) {
    const std::string message = LoadError("/nonexistent/libNothing.so");
    EXPECT_EQ(message, "cannot load study library /nonexistent/libNothing.so: no such file");
}

TEST(StudyLoader, RejectsAFileThatIsNotALibrary) {
    const std::string path = kovra::testing::ProcessTempPath("not-a-library.so");
    std::ofstream(path) << "just text\n";
    const std::string message = LoadError(path);
    EXPECT_NE(message.find(path), std::string::npos) << message;
    EXPECT_NE(message.find("not a loadable library"), std::string::npos) << message;
    EXPECT_EQ(message.find('\n'), std::string::npos) << message;
}

TEST(StudyLoader, RejectsAFolder) {
    EXPECT_NE(LoadError(::testing::TempDir()).find("not a regular file"), std::string::npos);
}

TEST(StudyLoader, RejectsALibraryMissingAnEntryPoint) {
    EXPECT_EQ(LoadError(FAKE_WITHOUT_STUDY_FUNCTION), std::string("cannot load study library ") +
                                                          FAKE_WITHOUT_STUDY_FUNCTION +
                                                          ": entry point scsf_KovraMathRTIntraday is missing");
    EXPECT_NE(LoadError(FAKE_WITHOUT_NAME).find("entry point scdll_DLLName is missing"), std::string::npos);
}

TEST(StudyLoader, RejectsAnEntryPointExportedAsData) {
    EXPECT_EQ(LoadError(FAKE_VERSION_AS_DATA), std::string("cannot load study library ") + FAKE_VERSION_AS_DATA +
                                                   ": entry point scdll_DLLVersion is not a function (it is exported "
                                                   "as data)");
}

TEST(StudyLoader, RejectsALibraryWithTheWrongVersion) {
    EXPECT_EQ(LoadError(FAKE_WRONG_VERSION), std::string("cannot load study library ") + FAKE_WRONG_VERSION +
                                                 ": it reports interface version 2187, this host speaks 2188");
}

TEST(StudyLoader, LoadsTheRealStudy) {
    StudyLibrary library(std::getenv("KOVRA_STUDY_LIBRARY"));
    EXPECT_EQ(library.name(), "Kovra Math RT Intraday");
}

// A study that aborts would take the host down with it; run it in a child and
// report how the child ended.
TEST(StudyLoader, AnAbortingStudyIsContainedInAChildProcess) {
    StudyLibrary library(FAKE_ABORTING);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        kovra::host::Chart chart;
        chart.bars.Append(0, 1, 1, 1, 1);
        kovra::host::StudyInstance study(chart, library.studyFunction(), 1);
        study.CallDefaults();
        study.CallBar(0);
        _exit(0);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFSIGNALED(status));
    EXPECT_EQ(WTERMSIG(status), SIGABRT);
}

}  // namespace
