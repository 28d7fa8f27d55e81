#include "host/outputs/InterruptCleanup.h"

#include <signal.h>
#include <unistd.h>

#include <array>
#include <cstdlib>
#include <cstring>

namespace kovra::host {
namespace {

constexpr size_t kSlots = 16;
constexpr int kHandled[] = {SIGINT, SIGTERM, SIGBUS};
// Read by the handler, so only plain pointers to heap copies; changed with the
// signals blocked so the handler never sees half a change.
std::array<char*, kSlots> watched{};

class SignalsBlocked {
public:
    SignalsBlocked() {
        sigset_t interrupting;
        sigemptyset(&interrupting);
        for (const int signal : kHandled) sigaddset(&interrupting, signal);
        sigprocmask(SIG_BLOCK, &interrupting, &previous_);
    }
    ~SignalsBlocked() { sigprocmask(SIG_SETMASK, &previous_, nullptr); }
    SignalsBlocked(const SignalsBlocked&) = delete;
    SignalsBlocked& operator=(const SignalsBlocked&) = delete;

private:
    sigset_t previous_;
};

extern "C" void RemoveAndExit(int signal) {
    for (char* path : watched)
        if (path != nullptr) unlink(path);
    if (signal == SIGBUS) {
        static const char kMessage[] = "kovra: bus error (SIGBUS), as when a file read through memory gets shorter\n";
        const ssize_t ignored = write(STDERR_FILENO, kMessage, sizeof kMessage - 1);
        static_cast<void>(ignored);
    }
    _exit(128 + signal);
}

}  // namespace

void RemoveTemporaryFilesOnInterrupt() {
    struct sigaction action {};
    action.sa_handler = RemoveAndExit;
    sigemptyset(&action.sa_mask);
    for (const int signal : kHandled) sigaddset(&action.sa_mask, signal);
    for (const int signal : kHandled) {
        struct sigaction current {};
        // A signal the caller chose to ignore (a background job) stays ignored.
        if (sigaction(signal, nullptr, &current) == 0 && current.sa_handler == SIG_IGN) continue;
        sigaction(signal, &action, nullptr);
    }
}

void WatchTemporaryFile(const std::string& path) {
    char* copy = strdup(path.c_str());
    if (copy == nullptr) return;
    const SignalsBlocked blocked;
    for (char*& slot : watched) {
        if (slot != nullptr) continue;
        slot = copy;
        return;
    }
    std::free(copy);
}

void ForgetTemporaryFile(const std::string& path) {
    const SignalsBlocked blocked;
    for (char*& slot : watched) {
        if (slot == nullptr || path != slot) continue;
        std::free(slot);
        slot = nullptr;
        return;
    }
}

}  // namespace kovra::host
