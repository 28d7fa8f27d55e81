#include "host/bars/MappedFileGuard.h"

#include <signal.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <mutex>

namespace kovra::host {
namespace {

// The mapping this thread reads. The handler runs on the thread whose read
// faulted, so a thread-local (in the program's own static TLS block, which a
// handler may read) tells it whether the fault is in a guarded mapping.
struct Guarded {
    uintptr_t start = 0;
    size_t bytes = 0;
    volatile sig_atomic_t shortened = 0;
};
thread_local Guarded guarded __attribute__((tls_model("initial-exec")));

struct sigaction previous {};
uintptr_t pageSize = 4096;

// A SIGBUS not in a guarded mapping: what was there before the guards decides.
void PassOn(int signal, siginfo_t* info, void* context) {
    if ((previous.sa_flags & SA_SIGINFO) != 0 && previous.sa_sigaction != nullptr)
        return previous.sa_sigaction(signal, info, context);
    if (previous.sa_handler != SIG_DFL && previous.sa_handler != SIG_IGN) return previous.sa_handler(signal);
    struct sigaction fallback {};
    fallback.sa_handler = SIG_DFL;
    sigaction(signal, &fallback, nullptr);
    raise(signal);  // delivered on return (a faulting read faults again and ends the program too)
}

extern "C" void OnBusError(int signal, siginfo_t* info, void* context) {
    const auto address = reinterpret_cast<uintptr_t>(info->si_addr);
    const uintptr_t start = guarded.start;
    if (guarded.bytes != 0 && address >= start && address - start < guarded.bytes) {
        // Zero pages over the rest of the mapping: the faulting read runs again and reads zeros.
        const uintptr_t page = address & ~(pageSize - 1);
        void* const zeros = mmap(reinterpret_cast<void*>(page), start + guarded.bytes - page, PROT_READ,
                                 MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED, -1, 0);
        if (zeros != MAP_FAILED) {
            guarded.shortened = 1;
            return;
        }
    }
    PassOn(signal, info, context);
}

void InstallOnce() {
    static std::once_flag installed;
    std::call_once(installed, [] {
        pageSize = static_cast<uintptr_t>(sysconf(_SC_PAGESIZE));
        struct sigaction action {};
        action.sa_sigaction = OnBusError;
        action.sa_flags = SA_SIGINFO;
        sigemptyset(&action.sa_mask);
        sigaction(SIGBUS, &action, &previous);
    });
}

}  // namespace

MappedFileGuard::MappedFileGuard(const void* start, size_t bytes) {
    InstallOnce();
    guarded.shortened = 0;
    guarded.start = reinterpret_cast<uintptr_t>(start);
    guarded.bytes = bytes;
}

MappedFileGuard::~MappedFileGuard() { guarded.bytes = 0; }

bool MappedFileGuard::shortened() const { return guarded.shortened != 0; }

}  // namespace kovra::host
