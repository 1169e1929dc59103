// Where a new launcher goes, for a wrapper name that may carry folder parts.
#pragma once

#include <string>

namespace ZORVANE {

// A relative name resolved against folder, an absolute one as given (UTF-8).
// False when the joined path would not fit the platform's path buffer.
[[nodiscard]] bool ResolveTargetPath(const std::string& folder, const std::string& name, std::string& path);

}  // namespace ZORVANE
