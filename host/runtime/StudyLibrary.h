// Loads a study library the way the platform does: dlopen with RTLD_NOW, the
// three entry points by their unmangled names, and the interface version.
#pragma once

#include <stdexcept>
#include <string>

#include "record/HostStudyInterface.h"

namespace kovra::host {

class StudyLibrary {
public:
    // Throws StudyLoadError with a one-line message naming the file and what is
    // wrong: missing file, not a library, a library that does not load (it
    // needs a symbol the platform does not provide), none or one of the entry
    // points missing, another version.
    explicit StudyLibrary(const std::string& path);
    ~StudyLibrary();
    StudyLibrary(const StudyLibrary&) = delete;
    StudyLibrary& operator=(const StudyLibrary&) = delete;

    // The path as given (error messages name it) and the file dlopen loaded,
    // absolute with symbolic links resolved.
    const std::string& path() const { return path_; }
    const std::string& loadedPath() const { return loadedPath_; }
    const std::string& name() const { return name_; }
    int32_t version() const { return version_; }
    StudyFunction studyFunction() const { return study_; }

private:
    std::string path_;
    std::string loadedPath_;
    void* handle_ = nullptr;
    std::string name_;
    int32_t version_ = 0;
    StudyFunction study_ = nullptr;
};

struct StudyLoadError : std::runtime_error {
    enum class Kind {
        kNotAStudyLibrary,    // no such file, not a library, or none of the entry points
        kBrokenStudyLibrary,  // a library that does not load, an entry point missing or exported as data,
                              // another version
    };
    StudyLoadError(const std::string& message, Kind kind) : std::runtime_error(message), kind(kind) {}
    Kind kind;
};

// The study library named by the KOVRA_STUDY_LIBRARY environment variable;
// else the one installed with the running program (its plugin folder, found
// from the program's own folder), else the one built beside it.
std::string DefaultStudyLibraryPath();

}  // namespace kovra::host
