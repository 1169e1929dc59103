// Staging the new payload into the new launcher.
#include <windows.h>

#include <io.h>

#include "core/log.h"
#include "core/unique_handles.h"
#include "core/utf8_files.h"
#include "update/create_new_wrapper.h"

namespace ZORVANE {

namespace {

constexpr char kNoBuffer[] = "Error in setting resource. not enough memory for operation or file is to large.";
constexpr char kReadFailed[] = "Error in reading source";
constexpr char kAddFailed[] = "Could not add resource.";

UniqueStream OpenInput(const std::string& path) { return path.empty() ? UniqueStream() : OpenStream(path, L"rb"); }

// All 64 bits of the length: a C long would wrap a package past 2 or 4 GiB.
bool StreamLength(std::FILE* file, std::uint64_t& length) {
    const intptr_t handle = _get_osfhandle(_fileno(file));
    LARGE_INTEGER size;
    if (handle == -1 || !GetFileSizeEx(reinterpret_cast<HANDLE>(handle), &size) || size.QuadPart < 0) {
        return false;
    }
    length = static_cast<std::uint64_t>(size.QuadPart);
    return true;
}

const char* CommitFailure(UpdateCommit commit) {
    switch (commit) {
        case UpdateCommit::TooLarge: return kNoBuffer;
        case UpdateCommit::ReadFailed: return kReadFailed;
        default: return "Could not write changes to file.";
    }
}

}  // namespace

bool createNewWrapper::StageResources(OwnLauncher& own, ReservedName& target, const UpdateRequest& request) {
    ResourceUpdate update(own.image, target);
    if (!update.IsOpen()) {
        ShowMessage("Could not open file for writing.");
        return false;
    }
    // Open until the commit, which streams it into the new launcher.
    UniqueStream package = OpenInput(request.packagePath);
    if (!request.packagePath.empty() && !package) {
        // No launcher goes under the name without the package it was asked for.
        ShowMessage("Could not open package file.");
        return false;
    }
    UniqueStream icon = OpenInput(request.iconPath);
    if (!package && !icon && request.optionLine.empty()) {
        // Nothing to stage: the update is discarded, the launcher copied as it is.
        update.Discard();
        return CopyLauncher(own, target);
    }
    // A resource that cannot be staged ends the run: nothing is written.
    if (package && !SetResource(update, ResourceKind::Package, package.get(), std::string())) return false;
    if (icon && !SetResource(update, ResourceKind::Icon, icon.get(), std::string())) return false;
    icon.reset();
    if (!request.optionLine.empty() && !SetResource(update, ResourceKind::Params, nullptr, request.optionLine)) {
        return false;
    }
    const UpdateCommit commit = update.Commit();
    if (commit == UpdateCommit::Committed) return true;
    // The temporary file and the reservation are removed on the way out.
    ShowMessage(CommitFailure(commit));
    return false;
}

bool createNewWrapper::SetResource(ResourceUpdate& update, ResourceKind kind, std::FILE* file,
                                   const std::string& text) {
    switch (kind) {
        case ResourceKind::Icon: return true;  // the inherited icon group stays
        case ResourceKind::Package: return StagePackage(update, file);
        case ResourceKind::Params: break;
    }
    if (update.Add(text)) return true;
    ShowMessage(kAddFailed);
    return false;
}

// Only the package's length is taken now; its bytes are streamed at the
// commit, so memory does not grow with it.
bool createNewWrapper::StagePackage(ResourceUpdate& update, std::FILE* file) {
    std::uint64_t size = 0;
    if (!StreamLength(file, size)) {
        ShowMessage(kReadFailed);
        return false;
    }
    if (update.Add(file, size)) return true;
    ShowMessage(kAddFailed);
    return false;
}

}  // namespace ZORVANE
