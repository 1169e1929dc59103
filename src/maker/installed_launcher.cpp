#include "maker/installed_launcher.h"

#include <unistd.h>

#include <cerrno>
#include <vector>

#include "common/path_names.h"
#include "maker/tool_report.h"

namespace ZORVANE {

namespace {

constexpr char kOwnFile[] = "/proc/self/exe";

// The link's target grows the buffer until it fits: a path is not cut short.
bool ReadOwnPath(std::string& path) {
    for (std::vector<char> buffer(256);; buffer.resize(buffer.size() * 2)) {
        const ssize_t length = readlink(kOwnFile, buffer.data(), buffer.size());
        if (length < 0) {
            ReportFileErrno(kOwnFile, errno);
            return false;
        }
        if (static_cast<size_t>(length) < buffer.size()) {
            path.assign(buffer.data(), static_cast<size_t>(length));
            return true;
        }
    }
}

}  // namespace

bool FindInstalledLauncher(std::string& path) {
    std::string own;
    if (!ReadOwnPath(own)) return false;
    path = own.substr(0, FileNameStart(own, "/")) + LAUNCHER_MAKE_INSTALLED_SOURCE;
    return true;
}

}  // namespace ZORVANE
