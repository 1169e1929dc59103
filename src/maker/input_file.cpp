#include "maker/input_file.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>

#include "maker/tool_report.h"

namespace ZORVANE {

bool OpenInputFile(const std::string& path, InputFile& input) {
    input.stream.reset(std::fopen(path.c_str(), "rb"));
    struct stat status {};
    if (!input.stream || fstat(fileno(input.stream.get()), &status) != 0) {
        ReportFileErrno(path, errno);
        return false;
    }
    if (S_ISDIR(status.st_mode)) {
        ReportFileErrno(path, EISDIR);
        return false;
    }
    if (!S_ISREG(status.st_mode)) {
        ReportFileError(path, "not a regular file");
        return false;
    }
    input.size = static_cast<std::uint64_t>(status.st_size);
    input.mode = status.st_mode;
    // Both inputs are read front to back once; a hint, so its failure is harmless.
    posix_fadvise(fileno(input.stream.get()), 0, 0, POSIX_FADV_SEQUENTIAL);
    return true;
}

}  // namespace ZORVANE
