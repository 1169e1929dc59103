#include "maker/tool_report.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace ZORVANE {

void ReportFileError(const std::string& file, const char* what) {
    std::fprintf(stderr, "%s: %s: %s\n", kMakerName, file.c_str(), what);
}

void ReportFileErrno(const std::string& file, int errnum) { ReportFileError(file, std::strerror(errnum)); }

bool IsRegularFileOrReport(const std::string& file, unsigned mode, const char* notRegular) {
    if (S_ISREG(mode)) return true;
    if (S_ISDIR(mode)) {
        ReportFileErrno(file, EISDIR);
    } else {
        ReportFileError(file, notRegular);
    }
    return false;
}

void ReportUsageError(const char* what) { std::fprintf(stderr, "%s: %s (see --help)\n", kMakerName, what); }

}  // namespace ZORVANE
