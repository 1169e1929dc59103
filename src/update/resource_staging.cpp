// Staging the new payload into the copied launcher.
#include <cstring>

#include "core/log.h"
#include "core/payload.h"
#include "core/unique_handles.h"
#include "update/create_new_wrapper.h"

namespace ZORVANE {

namespace {

constexpr char kNoBuffer[] =
    "Error in setting resource. not enough memory for operation or file is to large.";

UniqueStream OpenInput(const std::string& path) {
    return UniqueStream(path.empty() ? nullptr : std::fopen(path.c_str(), "rb"));
}

// The stream's length, or -1 when it cannot be told (or exceeds what a
// resource can hold).
long StreamLength(std::FILE* file) {
    if (std::fseek(file, 0, SEEK_END) != 0) return -1;
    long length = std::ftell(file);
    std::rewind(file);
    return length;
}

}  // namespace

bool createNewWrapper::StageResources(const std::string& targetPath, const UpdateRequest& request) {
    ResourceUpdate update(targetPath);
    if (!update.IsOpen()) {
        ShowMessage("Could not open file for writing.");
        return false;
    }
    bool result = true;
    UniqueStream package = OpenInput(request.packagePath);
    if (!request.packagePath.empty() && !package) {
        ShowMessage("Could not open package file.");
        result = false;
    }
    UniqueStream icon = OpenInput(request.iconPath);
    if (!package && !icon && request.optionLine.empty()) return result;  // discarded

    if (package) {
        result = SetResource(update, ResourceKind::Package, package.get(), std::string()) && result;
        package.reset();
    }
    if (icon) {
        result = SetResource(update, ResourceKind::Icon, icon.get(), std::string()) && result;
        icon.reset();
    }
    if (!request.optionLine.empty()) {
        result = SetResource(update, ResourceKind::Params, nullptr, request.optionLine) && result;
    }
    if (!update.Commit()) {
        ShowMessage("Could not write changes to file.");
        // The platform may have left it half written: it must not pass for a
        // launcher.
        DeleteFileA(targetPath.c_str());
        return false;
    }
    return result;
}

bool createNewWrapper::SetResource(ResourceUpdate& update, ResourceKind kind, std::FILE* file,
                                   const std::string& text) {
    switch (kind) {
        case ResourceKind::Icon: return true;  // the inherited icon group stays
        case ResourceKind::Package: return StagePackage(update, file);
        case ResourceKind::Params: break;
    }
    const size_t size = text.size() + 1;
    UniqueLocal buffer = AllocateZeroed(size);
    if (!buffer || size > MAXDWORD) {
        ShowMessage(kNoBuffer);
        return false;
    }
    std::memcpy(buffer.get(), text.c_str(), size);
    return StageBuffer(update, kParamsResourceType, kParamsResourceId, buffer.get(),
                       static_cast<DWORD>(size));
}

bool createNewWrapper::StagePackage(ResourceUpdate& update, std::FILE* file) {
    const long length = StreamLength(file);
    UniqueLocal buffer = length < 0 ? nullptr : AllocateZeroed(static_cast<size_t>(length));
    if (!buffer) {
        ShowMessage(kNoBuffer);
        return false;
    }
    const size_t size = static_cast<size_t>(length);
    if (std::fread(buffer.get(), 1, size, file) != size) {
        ShowMessage("Error in reading source");
        return false;
    }
    return StageBuffer(update, kPackageResourceType, kPackageResourceId, buffer.get(),
                       static_cast<DWORD>(size));
}

bool createNewWrapper::StageBuffer(ResourceUpdate& update, const char* type, WORD id, void* data,
                                   DWORD size) {
    if (update.Add(type, id, data, size)) return true;
    ShowMessage("Could not add resource.");
    return false;
}

}  // namespace ZORVANE
