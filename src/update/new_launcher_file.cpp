#include "update/new_launcher_file.h"

#include <windows.h>

#include <cwchar>

#include "common/path_names.h"
#include "core/utf8_files.h"
#include "core/wide_text.h"

namespace ZORVANE {

TemporaryLauncherFile::TemporaryLauncherFile(const std::string& targetPath) {
    wchar_t buffer[MAX_PATH] = {};
    std::wstring folder;
    // Creates the file under a unique name, so nothing else is overwritten;
    // in the target's folder, so that the final move is a rename on one volume.
    if (!Widen(FolderOf(targetPath), folder) || GetTempFileNameW(folder.c_str(), L"new", 0, buffer) == 0) return;
    std::string path;
    if (Narrow(buffer, wcslen(buffer), path)) {
        path_ = path;
    } else {
        DeleteFileW(buffer);
    }
}

TemporaryLauncherFile::~TemporaryLauncherFile() { Remove(); }

void TemporaryLauncherFile::Remove() {
    if (!path_.empty()) (void)DeleteFileAt(path_);
    path_.clear();
}

ReservedName::~ReservedName() {
    if (!filled_ && !path_.empty()) (void)DeleteFileAt(path_);
}

bool ReservedName::FillWith(TemporaryLauncherFile& file) {
    // Write-through: the rename has reached the disk when the call returns.
    std::wstring from, to;
    if (!Widen(file.path_, from) || !Widen(path_, to) ||
        !MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        return false;
    }
    file.path_.clear();
    filled_ = true;
    return true;
}

}  // namespace ZORVANE
