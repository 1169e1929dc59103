// Writing the embedded package into its reserved file, and keeping it
// unchanged while the installer reads it.
#pragma once

#include <windows.h>

#include <string>

#include "core/unique_handles.h"
#include "launch/own_resource.h"
#include "launch/read_back.h"

namespace ZORVANE {

// Writes all of the package through writer, the reservation's own handle.
// ERROR_SUCCESS, or the platform's reason a piece was not written.
[[nodiscard]] DWORD WritePackage(HANDLE writer, const ResourceView& package);

struct HoldResult {
    UniqueFile hold;          // open only when it holds exactly the package
    DWORD openError;          // why the file could not be held, ERROR_SUCCESS when it was
    ReadBackResult readBack;  // what reading it back through the hold found
};

// Holds the written file at path (UTF-8) with read sharing only, so that
// nobody can write, delete or replace it until the hold is released, and
// reads it back through the hold: whatever changed it before is caught.
[[nodiscard]] HoldResult HoldWrittenPackage(const std::string& path, const ResourceView& package);

}  // namespace ZORVANE
