#include "maker/input_file.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>

#include "maker/tool_report.h"
#include "maker/unique_fd.h"

namespace ZORVANE {

bool OpenInputFile(const std::string& path, InputFile& input) {
    // Non-blocking, so that a FIFO is refused at once instead of waiting for a writer.
    UniqueFd fd(open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    struct stat status {};
    if (!fd || fstat(fd.get(), &status) != 0) {
        ReportFileErrno(path, errno);
        return false;
    }
    if (!IsRegularFileOrReport(path, status.st_mode, "not a regular file")) return false;
    input.stream.reset(fdopen(fd.get(), "rb"));
    if (!input.stream) {
        ReportFileErrno(path, errno);
        return false;
    }
    fd.release();
    input.size = static_cast<std::uint64_t>(status.st_size);
    input.mode = status.st_mode;
    input.identity = {status.st_dev, status.st_ino};
    // Both inputs are read front to back once; a hint, so its failure is harmless.
    posix_fadvise(fileno(input.stream.get()), 0, 0, POSIX_FADV_SEQUENTIAL);
    return true;
}

}  // namespace ZORVANE
