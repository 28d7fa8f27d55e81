#include "host/runtime/StudyLibrary.h"

#include <dlfcn.h>
#include <link.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <stdexcept>

namespace kovra::host {

namespace {

constexpr const char* kStudyLibraryFile = "libKovraMathRTIntraday.so";

using Kind = StudyLoadError::Kind;

[[noreturn]] void Fail(const std::string& path, const std::string& what, Kind kind = Kind::kNotAStudyLibrary) {
    throw StudyLoadError("cannot load study library " + path + ": " + what, kind);
}

// Whether the dynamic symbol at `address` is code: calling an entry point
// exported as a variable would run its bytes.
bool IsFunction(void* address) {
    Dl_info info{};
    void* entry = nullptr;
    if (::dladdr1(address, &info, &entry, RTLD_DL_SYMENT) == 0 || entry == nullptr) return false;
    const auto* symbol = static_cast<const ElfW(Sym)*>(entry);
    const unsigned type = ELF64_ST_TYPE(symbol->st_info);
    return type == STT_FUNC || type == STT_GNU_IFUNC;
}

// Whether the file starts as a shared object does (an ELF header of type ET_DYN).
bool IsSharedObject(const std::string& path) {
    ElfW(Ehdr) header{};
    std::ifstream file(path, std::ios::binary);
    if (!file.read(reinterpret_cast<char*>(&header), sizeof header)) return false;
    return std::memcmp(header.e_ident, ELFMAG, SELFMAG) == 0 && header.e_type == ET_DYN;
}

}  // namespace

StudyLibrary::StudyLibrary(const std::string& path) : path_(path) {
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0) Fail(path, "no such file");
    if (!S_ISREG(status.st_mode)) Fail(path, "not a regular file");

    // A name without a slash would send dlopen to the system's library path;
    // the user means the file in the current folder.
    std::error_code error;
    const std::string located = std::filesystem::absolute(path, error).string();
    handle_ = ::dlopen(error ? path.c_str() : located.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle_ == nullptr) {
        const char* reason = ::dlerror();
        const std::string why = std::string(" (") + (reason != nullptr ? reason : "unknown reason") + ")";
        // A shared object that does not load wants something more than the
        // record: a symbol or a library the platform does not provide.
        if (IsSharedObject(path)) Fail(path, "it does not load" + why, Kind::kBrokenStudyLibrary);
        Fail(path, "not a loadable library" + why);
    }
    const std::array<const char*, 3> entryPoints{kDllNameSymbol, kDllVersionSymbol, kStudyFunctionSymbol};
    const auto exported = [this](const char* name) { return ::dlsym(handle_, name) != nullptr; };
    if (std::none_of(entryPoints.begin(), entryPoints.end(), exported)) {
        ::dlclose(handle_);
        handle_ = nullptr;
        Fail(path, std::string("it exports none of the entry points ") + kDllNameSymbol + ", " + kDllVersionSymbol +
                       ", " + kStudyFunctionSymbol);
    }
    auto symbol = [this](const char* name) {
        void* address = ::dlsym(handle_, name);
        if (address == nullptr || !IsFunction(address)) {
            ::dlclose(handle_);
            handle_ = nullptr;
            Fail(path_,
                 std::string("entry point ") + name +
                     (address == nullptr ? " is missing" : " is not a function (it is exported as data)"),
                 Kind::kBrokenStudyLibrary);
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
        Fail(path,
             "it reports interface version " + std::to_string(version_) + ", this host speaks " +
                 std::to_string(kHostInterfaceVersion),
             Kind::kBrokenStudyLibrary);
    }
    // The file dlopen actually loaded (it can be one already loaded under another name).
    if (link_map* loaded = nullptr; ::dlinfo(handle_, RTLD_DI_LINKMAP, &loaded) == 0 && loaded != nullptr)
        loadedPath_ = std::filesystem::weakly_canonical(loaded->l_name, error).string();
    if (loadedPath_.empty()) loadedPath_ = path;

    const char* name = nameFunction();
    name_ = name != nullptr ? name : "";
}

StudyLibrary::~StudyLibrary() {
    if (handle_ != nullptr) ::dlclose(handle_);
}

std::string DefaultStudyLibraryPath() {
    if (const char* fromEnvironment = std::getenv("KOVRA_STUDY_LIBRARY");
        fromEnvironment != nullptr && *fromEnvironment)
        return fromEnvironment;
    std::error_code error;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
    const std::filesystem::path folder = error ? std::filesystem::current_path() : self.parent_path();
    // Relative to the program's folder: the plugin folder of an install (the
    // build passes it, from the install layout), beside the program, the
    // build tree's study folder.
    const std::array<const char*, 3> studyFolders{KOVRA_STUDY_FOLDER_FROM_PROGRAM, ".", "../study"};
    auto candidate = [&folder](const char* studyFolder) {
        return (folder / studyFolder / kStudyLibraryFile).lexically_normal();
    };
    for (const char* studyFolder : studyFolders)
        if (std::filesystem::exists(candidate(studyFolder), error)) return candidate(studyFolder).string();
    return candidate(studyFolders.front()).string();
}

}  // namespace kovra::host
