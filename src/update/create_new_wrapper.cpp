#include "update/create_new_wrapper.h"

#include <windows.h>

#include "core/exclusive_file.h"
#include "core/log.h"
#include "common/path_names.h"
#include "core/unique_handles.h"
#include "core/utf8_files.h"
#include "core/wide_text.h"
#include "image/image_reader.h"
#include "image/launcher_image.h"
#include "common/numbered_name.h"
#include "update/target_path.h"

namespace ZORVANE {

namespace {

const std::string kIconKeyword = "Icon";
const std::string kMsiKeyword = "MSI";
const std::string kWrapperNameKeyword = "WrapperName";
const std::string kParamsKeyword = "Params";

constexpr unsigned kNameAttempts = 100;
constexpr char kCopyFailed[] = "Could not copy the launcher to the new file.";

bool CurrentDirectory(std::string& folder) {
    wchar_t buffer[MAX_PATH] = {};
    const DWORD length = GetCurrentDirectoryW(MAX_PATH, buffer);
    return length != 0 && length < MAX_PATH && Narrow(buffer, length, folder);
}

bool OwnPath(std::string& path) {
    wchar_t buffer[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameW(nullptr, buffer, MAX_PATH);
    return length != 0 && length < MAX_PATH && Narrow(buffer, length, path);
}

bool CopyFileTo(const std::string& from, const std::string& to) {
    std::wstring wideFrom, wideTo;
    return Widen(from, wideFrom) && Widen(to, wideTo) && CopyFileW(wideFrom.c_str(), wideTo.c_str(), FALSE);
}

}  // namespace

createNewWrapper::createNewWrapper()
    : Command("CreateNewWrapper"), keywords_{{kIconKeyword, UpdateKey::Icon},
                                             {kMsiKeyword, UpdateKey::Msi},
                                             {kWrapperNameKeyword, UpdateKey::WrapperName},
                                             {kParamsKeyword, UpdateKey::Params}} {}

bool createNewWrapper::ParseArgument(const std::string& argument, std::string& key, std::string& value) const {
    size_t sign = argument.find('=');
    if (sign == std::string::npos) return false;
    key = argument.substr(0, sign);
    value = argument.substr(sign + 1);
    return true;
}

void createNewWrapper::ApplyArguments(const ArgumentList& arguments, UpdateRequest& request) const {
    for (const std::string& argument : arguments) {
        std::string key, value;
        if (!ParseArgument(argument, key, value)) {
            WriteLog(Name(), "Surprise", "failed parsing argument: %s", argument.c_str());
            continue;
        }
        auto keyword = keywords_.find(key);
        if (keyword == keywords_.end()) {
            WriteLog(Name(), "Surprise", "unknown command: %s", key.c_str());
            continue;
        }
        switch (keyword->second) {
            case UpdateKey::Icon: request.iconPath = value; break;
            case UpdateKey::Msi: request.packagePath = value; break;
            case UpdateKey::WrapperName: request.wrapperName = value; break;
            case UpdateKey::Params: request.optionLine = value; break;
        }
    }
}

bool createNewWrapper::VerifyFileName(std::string& name) {
    std::string path;
    return ReserveName(name, path);
}

bool createNewWrapper::ReserveName(std::string& name, std::string& reservedPath) {
    const std::string baseName = name;
    for (unsigned attempt = 0; attempt < kNameAttempts; ++attempt) {
        const std::string candidate = attempt == 0 ? baseName : NumberedName(baseName, attempt);
        std::string path;
        if (!ResolveTargetPath(currentDirectory_, candidate, path)) {
            // Longer numbered names cannot fit either.
            WriteLog(Name(), "Surprise", "new file path is too long: %s", candidate.c_str());
            return RefuseName(ERROR_FILENAME_EXCED_RANGE);
        }
        const ReservationResult result = CreateExclusiveFile(path);
        if (result.outcome == Reservation::Made) {
            WriteLog(Name(), "Events", "Found new file name:%s", candidate.c_str());
            name = candidate;
            reservedPath = path;
            return true;
        }
        // Only a taken name makes the next one worth trying.
        if (result.outcome == Reservation::FolderRefused) return RefuseName(result.error);
    }
    ShowMessage("Couldn't create new file. Too many files in directory");
    WriteLog(Name(), "Surprise", "Failed to verify file name. Too many files in folder");
    return false;
}

bool createNewWrapper::RefuseName(DWORD error) {
    const std::string reason = SystemErrorText(error);
    ShowMessage("Couldn't create new file. " + reason);
    WriteLog(Name(), "Surprise", "Failed to verify file name. %s", reason.c_str());
    return false;
}

// Through a temporary file as well: a copy cut short must not pass for a
// launcher under the name.
bool createNewWrapper::CopyLauncher(const std::string& ownPath, ReservedName& target) {
    TemporaryLauncherFile copy(target.Path());
    if (copy.IsOpen() && CopyFileTo(ownPath, copy.Path()) && target.FillWith(copy)) {
        return true;
    }
    ShowMessage(kCopyFailed);
    return false;
}

// Why the running launcher cannot be the source of a copy; null when it can.
const char* createNewWrapper::SourceProblem(std::string& ownPath) {
    if (!CurrentDirectory(currentDirectory_) || !OwnPath(ownPath)) {
        return "couldn't determine the current directory or own path";
    }
    // The one read of the source: the checks the image writer needs, so that
    // a plain copy never passes a damaged launcher on either.
    ownFile_ = OpenStream(ownPath, L"rb");
    if (!ownFile_ || ReadImage(ownFile_.get(), ownImage_) != ImageWriteStatus::Written ||
        CheckModel(ownImage_) != ImageWriteStatus::Written) {
        return "own resources are damaged";
    }
    return nullptr;
}

bool createNewWrapper::Run(const ArgumentList& arguments) {
    std::string ownPath;
    if (const char* problem = SourceProblem(ownPath)) {
        WriteLog(Name(), "Surprise", "%s", problem);
        ShowMessage(kCopyFailed);
        return false;
    }
    UpdateRequest request;
    request.wrapperName = FileNameOf(ownPath);
    ApplyArguments(arguments, request);

    std::string targetPath;
    if (!ReserveName(request.wrapperName, targetPath)) return false;  // shown and logged
    // Removed again unless a complete launcher takes its place.
    ReservedName target(targetPath);
    if (request.packagePath.empty() && request.iconPath.empty() && request.optionLine.empty()) {
        return CopyLauncher(ownPath, target);
    }
    return StageResources(ownPath, target, request);
}

}  // namespace ZORVANE
