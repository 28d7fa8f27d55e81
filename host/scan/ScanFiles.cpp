#include "host/scan/ScanFiles.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include <fmt/format.h>

namespace kovra::host {

namespace {

namespace fs = std::filesystem;

bool IsCsvName(const fs::path& path) {
    std::string extension = path.extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; });
    return extension == ".csv";
}

ScanFile FileAt(const fs::path& path) { return {path.string(), path.stem().string(), {}}; }

// The folder's .csv files (regular files, and links to anything but a folder:
// a dangling or looping link gets its error row as it would when named), by name.
void AddFolder(const fs::path& folder, ScanFileList& list) {
    std::error_code error;
    std::vector<fs::path> found;
    for (fs::directory_iterator entry(folder, error), end; !error && entry != end; entry.increment(error)) {
        std::error_code typeError;
        const bool file =
            entry->is_regular_file(typeError) || (entry->is_symlink(typeError) && !entry->is_directory(typeError));
        if (IsCsvName(entry->path()) && file) found.push_back(entry->path());
    }
    if (error) {
        const fs::path name = folder.has_filename() ? folder.filename() : folder.parent_path().filename();
        list.files.push_back({folder.string(), name.string(),
                              fmt::format("{}: cannot read the folder: {}", folder.string(), error.message())});
        return;
    }
    if (found.empty()) list.emptyFolders.push_back(folder.string());
    std::sort(found.begin(), found.end());
    for (const fs::path& path : found) list.files.push_back(FileAt(path));
}

}  // namespace

ScanFileList ListScanFiles(const std::vector<std::string>& arguments) {
    ScanFileList list;
    for (const std::string& argument : arguments) {
        std::error_code error;
        if (fs::is_directory(argument, error))
            AddFolder(argument, list);
        else
            list.files.push_back(FileAt(argument));
    }
    return list;
}

}  // namespace kovra::host
