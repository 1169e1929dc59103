// Read access to the payload resources of the running executable.
#pragma once

#include <windows.h>

#include <string>

namespace ZORVANE {

enum class ResourceLookup {
    Absent,      // no such resource
    Unloadable,  // present, but yields no data
    Loaded,
};

struct ResourceView {
    const char* data = nullptr;
    DWORD size = 0;
};

// Finds the resource type (ASCII)/id in module and gives a read-only view of its bytes,
// valid while the module is loaded.
[[nodiscard]] ResourceLookup LoadOwnResource(HMODULE module, const char* type, WORD id, ResourceView& view);

// The parameters text as stored: the bytes up to the first NUL, never past
// the resource's end, whatever its length.
std::string ParamsText(const ResourceView& view);

}  // namespace ZORVANE
