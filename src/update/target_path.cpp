#include "update/target_path.h"

#include <windows.h>

#include "common/path_names.h"
#include "common/utf8.h"

namespace ZORVANE {

bool ResolveTargetPath(const std::string& folder, const std::string& name, std::string& path) {
    std::string joined = name;
    if (IsRelativePath(name)) {
        joined = folder;
        if (!joined.empty() && joined.back() != '\\') joined += '\\';
        joined += name;
    }
    // The platform counts UTF-16 units; a name that is not UTF-8 fits nowhere.
    const size_t length = Utf16Length(joined);
    if (length == 0 || length >= MAX_PATH) return false;
    path = joined;
    return true;
}

}  // namespace ZORVANE
