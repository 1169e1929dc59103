#include "core/path_names.h"

#include <windows.h>

namespace ZORVANE {

namespace {

// Steps over one character of the ANSI code page: a double-byte character's
// second byte may be a '\\' and must not be taken for one.
size_t NextCharacter(const std::string& text, size_t at) {
    const bool doubleByte = IsDBCSLeadByte(static_cast<BYTE>(text[at])) && at + 1 < text.size();
    return at + (doubleByte ? 2 : 1);
}

bool IsSeparator(char c) { return c == '\\' || c == '/' || c == ':'; }

}  // namespace

std::string FileNameOf(const std::string& path) {
    size_t start = 0;
    for (size_t at = 0; at < path.size(); at = NextCharacter(path, at)) {
        const bool componentFollows = at + 1 < path.size() && path[at + 1] != '\\' && path[at + 1] != '/';
        if (IsSeparator(path[at]) && componentFollows) start = at + 1;
    }
    return path.substr(start);
}

std::string WithoutExtension(const std::string& path) {
    size_t dot = std::string::npos;
    for (size_t at = 0; at < path.size(); at = NextCharacter(path, at)) {
        if (path[at] == '\\' || path[at] == ' ') {
            dot = std::string::npos;
        } else if (path[at] == '.') {
            dot = at;
        }
    }
    return path.substr(0, dot);
}

bool IsRelativePath(const std::string& path) {
    if (path.empty() || IsDBCSLeadByte(static_cast<BYTE>(path[0]))) return true;
    return !(path[0] == '\\' || (path.size() > 1 && path[1] == ':'));
}

}  // namespace ZORVANE
