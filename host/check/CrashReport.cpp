#include "host/check/CrashReport.h"

#include <signal.h>

#include <algorithm>
#include <cstring>

#include "host/check/ChildProcess.h"
#include "host/check/FixedText.h"
#include "host/memory/RecordArrays.h"

namespace kovra::host {

namespace {

constexpr int kCrashSignals[] = {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT, SIGTRAP};

int reportFd = -1;
// A study recursing without end overflows its stack: the handler runs on its own.
alignas(16) char handlerStack[1 << 16];
const StudyInstance* watchedStudy = nullptr;
char watchedScenario[160];

// What the guarded array holding `begin` is to the study.
void NameArray(FixedText& out, const StudyInstance& study, const std::byte* begin, const std::byte* end) {
    const HostStudyInterface& r = study.record();
    const std::pair<const void*, const char*> arrays[] = {{r.Open.Data, "Open"},
                                                          {r.High.Data, "High"},
                                                          {r.Low.Data, "Low"},
                                                          {r.Close.Data, "Close"},
                                                          {r.BarDateTimes.Data, "BarDateTimes"},
                                                          {r.Inputs.Data, "the inputs"},
                                                          {r.Subgraphs.Data, "the subgraphs"},
                                                          {r.ControlBar.Data, "the control bar"}};
    for (const auto& [data, name] : arrays)
        if (data == begin) return void(out << name);
    for (size_t i = 0; i < study.subgraphs().size(); ++i)
        if (study.subgraphs()[i].Series.Data == static_cast<const void*>(begin))
            return void(out << "the series of subgraph " << static_cast<int64_t>(i));
    for (const auto& [key, value] : study.persistentIntegers()) {
        const auto* at = reinterpret_cast<const std::byte*>(&value);
        if (at >= begin && at < end) return void(out << "persistent integer " << int64_t{key});
    }
    out << "a host array";
}

void OnCrash(int signal, siginfo_t* info, void*) {
    FixedText reason;
    bool hasBar = false;
    int64_t bar = 0;
    if (watchedStudy != nullptr) {
        const HostStudyInterface& record = watchedStudy->record();
        reason << watchedScenario << ", ";
        if (record.IsDefaultsCall != 0) {
            reason << "the defaults call: ";
        } else {
            hasBar = true;
            bar = record.CurrentBar;
            reason << "bar " << bar << ": ";
        }
    }
    const GuardedArray guarded =
        signal == SIGSEGV || signal == SIGBUS ? GuardedArrayAround(info->si_addr) : GuardedArray{};
    const auto* address = static_cast<const std::byte*>(info->si_addr);
    if (guarded.found && watchedStudy != nullptr && (address < guarded.begin || address >= guarded.end)) {
        reason << "an access ";
        if (address >= guarded.end)
            reason << static_cast<int64_t>(address - guarded.end) << " bytes past the end of ";
        else
            reason << static_cast<int64_t>(guarded.begin - address) << " bytes before the start of ";
        NameArray(reason, *watchedStudy, guarded.begin, guarded.end);
        reason << " (";
        reason.Signal(signal) << ")";
    } else {
        reason << "crashed with ";
        reason.Signal(signal);
    }
    WriteVerdict(reportFd, {Verdict::kFail, true, hasBar, bar, reason.view(), {}, {}});
    ::signal(signal, SIG_DFL);
    ::raise(signal);
}

}  // namespace

void ReportCrashesTo(int fd) {
    reportFd = fd;
    stack_t stack{};
    stack.ss_sp = handlerStack;
    stack.ss_size = sizeof handlerStack;
    ::sigaltstack(&stack, nullptr);
    struct sigaction action {};
    action.sa_sigaction = &OnCrash;
    action.sa_flags = SA_SIGINFO | SA_RESETHAND | SA_ONSTACK;
    sigemptyset(&action.sa_mask);
    for (const int signal : kCrashSignals) ::sigaction(signal, &action, nullptr);
}

WatchedCalls::WatchedCalls(const StudyInstance& study, std::string_view scenario) {
    const size_t length = std::min(scenario.size(), sizeof watchedScenario - 1);
    std::memcpy(watchedScenario, scenario.data(), length);
    watchedScenario[length] = '\0';
    watchedStudy = &study;
}

WatchedCalls::~WatchedCalls() { watchedStudy = nullptr; }

}  // namespace kovra::host
