// The bar files a scan names: each file as given, each folder as its ".csv"
// files and links (any letter case, not recursive, in name order).
#pragma once

#include <string>
#include <vector>

namespace kovra::host {

struct ScanFile {
    std::string path;
    std::string instrument;  // the file's name without its extension
    std::string error;       // why it cannot be scanned (a folder that cannot be read); empty when it can
};

struct ScanFileList {
    std::vector<ScanFile> files;
    std::vector<std::string> emptyFolders;  // folders named that hold no ".csv" file
};

ScanFileList ListScanFiles(const std::vector<std::string>& arguments);

}  // namespace kovra::host
