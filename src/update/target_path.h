// Where a new launcher goes, for a wrapper name that may carry folder parts.
#pragma once

#include <string>

namespace ZORVANE {

// A relative name resolved against folder, an absolute one as given (UTF-8).
// False when the joined path would not fit the platform's path buffer.
[[nodiscard]] bool ResolveTargetPath(const std::string& folder, const std::string& name,
                                     std::string& path);

// The name with "(number)" put in front of its file-name part:
// sub\New.exe with 1 gives sub\(1)New.exe.
std::string NumberedName(const std::string& name, unsigned number);

}  // namespace ZORVANE
