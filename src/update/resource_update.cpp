#include "update/resource_update.h"

#include "core/payload.h"

namespace ZORVANE {

ResourceUpdate::ResourceUpdate(const std::string& path)
    : handle_(BeginUpdateResourceA(path.c_str(), FALSE)) {}

ResourceUpdate::~ResourceUpdate() {
    if (handle_ != nullptr) EndUpdateResourceA(handle_, TRUE);
}

bool ResourceUpdate::Add(const char* type, WORD id, void* data, DWORD size) {
    return UpdateResourceA(handle_, type, MAKEINTRESOURCEA(id), kPayloadLanguage, data, size) != 0;
}

bool ResourceUpdate::Commit() {
    HANDLE handle = handle_;
    handle_ = nullptr;
    return EndUpdateResourceA(handle, FALSE) != 0;
}

}  // namespace ZORVANE
