#include "maker/tool_report.h"

#include <cstdio>
#include <cstring>

namespace ZORVANE {

void ReportFileError(const std::string& file, const char* what) {
    std::fprintf(stderr, "%s: %s: %s\n", kMakerName, file.c_str(), what);
}

void ReportFileErrno(const std::string& file, int errnum) { ReportFileError(file, std::strerror(errnum)); }

void ReportUsageError(const char* what) { std::fprintf(stderr, "%s: %s (see --help)\n", kMakerName, what); }

}  // namespace ZORVANE
