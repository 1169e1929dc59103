// Writing the embedded package to its reserved temporary file, and keeping
// it unchanged while the installer reads it.
#pragma once

#include <string>

#include "core/unique_handles.h"
#include "launch/own_resource.h"

namespace ZORVANE {

// Writes the package into the reservation at path (UTF-8). False when any of
// it could not be written or the file not be closed.
[[nodiscard]] bool WritePackage(const std::string& path, const ResourceView& package);

// Holds the written file with read sharing only, so that nobody can delete,
// replace or rewrite it until the hold is released, and checks through the
// hold that it carries exactly the package's bytes: whatever changed it
// before the hold was taken is caught. Empty when the file cannot be held or
// is not the package.
[[nodiscard]] UniqueFile HoldWrittenPackage(const std::string& path, const ResourceView& package);

// Whether the held file carries exactly the package's bytes, read through
// hold (and, for a large package, a second handle reopened from it).
[[nodiscard]] bool HoldsPackage(HANDLE hold, const ResourceView& package);

}  // namespace ZORVANE
