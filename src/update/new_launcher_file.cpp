#include "update/new_launcher_file.h"

#include <windows.h>

namespace ZORVANE {

namespace {

// The target's folder, so that the final move is a rename on one volume.
std::string FolderOf(const std::string& path) {
    const size_t cut = path.find_last_of("\\/:");
    return cut == std::string::npos ? std::string(".") : path.substr(0, cut + 1);
}

}  // namespace

TemporaryLauncherFile::TemporaryLauncherFile(const std::string& targetPath) {
    char buffer[MAX_PATH] = {};
    // Creates the file under a unique name, so nothing else is overwritten.
    if (GetTempFileNameA(FolderOf(targetPath).c_str(), "new", 0, buffer) != 0) path_ = buffer;
}

TemporaryLauncherFile::~TemporaryLauncherFile() { Remove(); }

void TemporaryLauncherFile::Remove() {
    if (!path_.empty()) DeleteFileA(path_.c_str());
    path_.clear();
}

ReservedName::~ReservedName() {
    if (!filled_) DeleteFileA(path_.c_str());
}

bool ReservedName::FillWith(TemporaryLauncherFile& file) {
    // Write-through: the rename has reached the disk when the call returns.
    if (!MoveFileExA(file.path_.c_str(), path_.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        return false;
    }
    file.path_.clear();
    filled_ = true;
    return true;
}

}  // namespace ZORVANE
