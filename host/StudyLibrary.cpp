#include "host/StudyLibrary.h"

#include <dlfcn.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <stdexcept>

namespace kovra::host {

namespace {

[[noreturn]] void Fail(const std::string& path, const std::string& what) {
    throw StudyLoadError("cannot load study library " + path + ": " + what);
}

}  // namespace

StudyLibrary::StudyLibrary(const std::string& path) : path_(path) {
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0) Fail(path, "no such file");
    if (!S_ISREG(status.st_mode)) Fail(path, "not a regular file");

    handle_ = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle_ == nullptr) {
        const char* reason = ::dlerror();
        Fail(path, std::string("not a loadable library (") + (reason != nullptr ? reason : "unknown reason") + ")");
    }
    auto symbol = [this](const char* name) {
        void* address = ::dlsym(handle_, name);
        if (address == nullptr) {
            ::dlclose(handle_);
            handle_ = nullptr;
            Fail(path_, std::string("entry point ") + name + " is missing");
        }
        return address;
    };
    auto nameFunction = reinterpret_cast<DllNameFunction>(symbol(kDllNameSymbol));
    auto versionFunction = reinterpret_cast<DllVersionFunction>(symbol(kDllVersionSymbol));
    study_ = reinterpret_cast<StudyFunction>(symbol(kStudyFunctionSymbol));

    version_ = versionFunction();
    if (version_ != kHostInterfaceVersion) {
        ::dlclose(handle_);
        handle_ = nullptr;
        Fail(path, "it reports interface version " + std::to_string(version_) + ", this host speaks " +
                       std::to_string(kHostInterfaceVersion));
    }
    const char* name = nameFunction();
    name_ = name != nullptr ? name : "";
}

StudyLibrary::~StudyLibrary() {
    if (handle_ != nullptr) ::dlclose(handle_);
}

std::string DefaultStudyLibraryPath() {
    if (const char* fromEnvironment = std::getenv("KOVRA_STUDY_LIBRARY"); fromEnvironment != nullptr && *fromEnvironment)
        return fromEnvironment;
    std::error_code error;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
    const std::filesystem::path folder = error ? std::filesystem::current_path() : self.parent_path();
    for (const char* relative : {"libKovraMathRTIntraday.so", "../study/libKovraMathRTIntraday.so",
                                 "../lib/libKovraMathRTIntraday.so"}) {
        const std::filesystem::path candidate = folder / relative;
        if (std::filesystem::exists(candidate, error)) return candidate.lexically_normal().string();
    }
    return (folder / "libKovraMathRTIntraday.so").string();
}

}  // namespace kovra::host
