// The new launcher's name: the one asked for, or the first free numbered one.
#include <windows.h>

#include "common/numbered_name.h"
#include "core/exclusive_file.h"
#include "core/log.h"
#include "core/wide_text.h"
#include "update/create_new_wrapper.h"
#include "update/target_path.h"

namespace ZORVANE {

namespace {

constexpr unsigned kNameAttempts = 100;

}  // namespace

std::string createNewWrapper::CurrentDirectory() {
    wchar_t buffer[MAX_PATH] = {};
    const DWORD length = GetCurrentDirectoryW(MAX_PATH, buffer);
    std::string folder;
    if (length == 0 || length >= MAX_PATH || !Narrow(buffer, length, folder)) folder.clear();
    return folder;
}

ReservedName createNewWrapper::VerifyFileName(std::string& name) {
    const std::string baseName = name;
    for (unsigned attempt = 0; attempt < kNameAttempts; ++attempt) {
        const std::string candidate = attempt == 0 ? baseName : NumberedName(baseName, attempt);
        std::string path;
        if (!ResolveTargetPath(currentDirectory_, candidate, path)) {
            // Longer numbered names cannot fit either.
            WriteLog(Name(), "Surprise", "new file path is too long: %s", candidate.c_str());
            RefuseName(ERROR_FILENAME_EXCED_RANGE);
            return ReservedName();
        }
        const ReservationResult result = CreateExclusiveFile(path);
        if (result.outcome == Reservation::Made) {
            WriteLog(Name(), "Events", "Found new file name:%s", candidate.c_str());
            name = candidate;
            return ReservedName(std::move(path));
        }
        // Only a taken name makes the next one worth trying.
        if (result.outcome == Reservation::FolderRefused) {
            RefuseName(result.error);
            return ReservedName();
        }
    }
    ShowMessage("Couldn't create new file. Too many files in directory");
    WriteLog(Name(), "Surprise", "Failed to verify file name. Too many files in folder");
    return ReservedName();
}

void createNewWrapper::RefuseName(DWORD error) {
    const std::string reason = SystemErrorText(error);
    ShowMessage("Couldn't create new file. " + reason);
    WriteLog(Name(), "Surprise", "Failed to verify file name. %s", reason.c_str());
}

}  // namespace ZORVANE
