#include "maker/unnamed_file.h"

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

namespace ZORVANE {

std::string TemporaryFolder() {
    const char* folder = std::getenv("TMPDIR");
    return folder != nullptr && *folder != '\0' ? folder : "/tmp";
}

UniqueFd OpenUnnamedFile(const std::string& folder) {
    UniqueFd file(open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600));
    // Some file systems (NFS, older overlays) have no O_TMPFILE: a name that
    // lives for one call instead.
    if (file || (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL)) return file;
    const std::string pattern = folder + "/.launcher-make-package-XXXXXX";
    std::vector<char> name(pattern.c_str(), pattern.c_str() + pattern.size() + 1);
    file.reset(mkostemp(name.data(), O_CLOEXEC));
    if (file && unlink(name.data()) != 0) {
        const int error = errno;
        file.reset();
        errno = error;
    }
    return file;
}

}  // namespace ZORVANE
