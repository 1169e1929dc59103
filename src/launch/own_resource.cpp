#include "launch/own_resource.h"

#include <cstring>

namespace ZORVANE {

ResourceLookup LoadOwnResource(HMODULE module, const char* type, WORD id, ResourceView& view) {
    // The payload's types are ASCII: widened character by character.
    const std::wstring wideType(type, type + std::strlen(type));
    HRSRC resource = FindResourceW(module, MAKEINTRESOURCEW(id), wideType.c_str());
    if (resource == nullptr) return ResourceLookup::Absent;
    HGLOBAL loaded = LoadResource(module, resource);
    if (loaded == nullptr) return ResourceLookup::Unloadable;
    const void* data = LockResource(loaded);
    if (data == nullptr) return ResourceLookup::Unloadable;
    view.data = static_cast<const char*>(data);
    view.size = SizeofResource(module, resource);
    return ResourceLookup::Loaded;
}

std::string ParamsText(const ResourceView& view) {
    if (view.data == nullptr) return std::string();
    const void* terminator = std::memchr(view.data, '\0', view.size);
    size_t length = terminator ? static_cast<const char*>(terminator) - view.data : view.size;
    return std::string(view.data, length);
}

}  // namespace ZORVANE
