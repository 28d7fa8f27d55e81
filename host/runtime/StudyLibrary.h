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
    // wrong: missing file, not a library, a missing entry point, another version.
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
    using std::runtime_error::runtime_error;
};

// The study library named by the KOVRA_STUDY_LIBRARY environment variable;
// else the one installed with the running program (its plugin folder, found
// from the program's own folder), else the one built beside it.
std::string DefaultStudyLibraryPath();

}  // namespace kovra::host
