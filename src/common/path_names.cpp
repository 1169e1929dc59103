#include "common/path_names.h"

namespace ZORVANE {

namespace {

// In UTF-8 no byte of a character outside ASCII equals an ASCII one, so a
// separator byte is always a separator.
bool IsSeparator(char c) { return c == '\\' || c == '/' || c == ':'; }

}  // namespace

std::size_t FileNameStart(std::string_view path, std::string_view separators) {
    return path.find_last_of(separators) + 1;  // npos + 1 is 0
}

std::string FolderOf(std::string_view path, std::string_view separators) {
    const std::size_t start = FileNameStart(path, separators);
    return start == 0 ? std::string(".") : std::string(path.substr(0, start));
}

std::string FileNameOf(const std::string& path) {
    size_t start = 0;
    for (size_t at = 0; at < path.size(); ++at) {
        const bool componentFollows = at + 1 < path.size() && path[at + 1] != '\\' && path[at + 1] != '/';
        if (IsSeparator(path[at]) && componentFollows) start = at + 1;
    }
    return path.substr(start);
}

std::string WithoutExtension(const std::string& path) {
    size_t dot = std::string::npos;
    for (size_t at = 0; at < path.size(); ++at) {
        if (path[at] == '\\' || path[at] == ' ') {
            dot = std::string::npos;
        } else if (path[at] == '.') {
            dot = at;
        }
    }
    return path.substr(0, dot);
}

bool IsRelativePath(const std::string& path) {
    return path.empty() || !(path[0] == '\\' || (path.size() > 1 && path[1] == ':'));
}

}  // namespace ZORVANE
