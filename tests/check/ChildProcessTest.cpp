// A check's child process: its verdict comes back whole, and every way it can
// end without one (a crash, an exit, a hang) becomes a failure that says how.
#include <gtest/gtest.h>

#include <sys/mman.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <thread>

#include "host/check/ChildProcess.h"

namespace {

using kovra::host::CheckVerdict;
using kovra::host::RunInChild;
using kovra::host::Verdict;
using namespace std::chrono_literals;

TEST(ChildProcess, TheBodysVerdictComesBackWhole) {
    const CheckVerdict verdict = RunInChild(
        [] {
            CheckVerdict failed = CheckVerdict::Fail("subgraph 2 at bar 7 is 1.5", 7, "1.5");
            failed.payload = std::string("\0bytes\xff", 7);
            return failed;
        },
        10s);
    EXPECT_EQ(verdict.verdict, Verdict::kFail);
    EXPECT_EQ(verdict.reason, "subgraph 2 at bar 7 is 1.5");
    EXPECT_EQ(verdict.bar, 7);
    EXPECT_EQ(verdict.value, "1.5");
    EXPECT_EQ(verdict.payload, std::string("\0bytes\xff", 7));
    EXPECT_FALSE(verdict.crashed);
}

void* InaccessiblePage() { return ::mmap(nullptr, 4096, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0); }

struct Ending {
    const char* name;
    void (*body)();
    const char* reason;
    std::chrono::milliseconds limit = 10s;
};

TEST(ChildProcess, AChildEndingWithoutAVerdictFailsSayingHow) {
    const Ending endings[] = {
        {"abort", [] { std::abort(); }, "crashed with SIGABRT (Aborted)"},
        {"fault", [] { *static_cast<volatile int*>(InaccessiblePage()) = 1; },
         "crashed with SIGSEGV (Segmentation fault)"},
        {"exit",
         [] {
             std::fputs("kovra-test: something went wrong\n", stderr);
             std::fflush(stderr);
             ::_exit(3);
         },
         "the check's process ended with exit code 3: kovra-test: something went wrong"},
        {"sanitizer report",
         [] {
             std::fputs("noise\n==7==ERROR: AddressSanitizer: heap-buffer-overflow\nmore noise\n", stderr);
             std::fflush(stderr);
             std::abort();
         },
         "crashed with SIGABRT (Aborted): ==7==ERROR: AddressSanitizer: heap-buffer-overflow"},
        {"hang", [] { std::this_thread::sleep_for(1h); }, "no verdict within 0.3 s", 300ms},
    };
    for (const Ending& ending : endings) {
        const CheckVerdict verdict = RunInChild(
            [&ending] {
                ending.body();
                return CheckVerdict::Pass("unreachable");
            },
            ending.limit);
        EXPECT_EQ(verdict.verdict, Verdict::kFail) << ending.name;
        EXPECT_TRUE(verdict.crashed) << ending.name;
        EXPECT_EQ(verdict.reason.rfind(ending.reason, 0), 0u) << ending.name << ": " << verdict.reason;
    }
}

TEST(ChildProcess, TheChildsOutputNeverReachesOurs) {
    testing::internal::CaptureStdout();
    RunInChild(
        [] {
            std::puts("noise from the study");
            return CheckVerdict::Pass("");
        },
        10s);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
}

}  // namespace
