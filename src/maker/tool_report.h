// The native maker's error lines on stderr: "launcher-make: FILE: what".
#pragma once

#include <string>

namespace ZORVANE {

constexpr char kMakerName[] = "launcher-make";

void ReportFileError(const std::string& file, const char* what);

// what is the text of the error number errnum.
void ReportFileErrno(const std::string& file, int errnum);

// True for a regular file's mode; otherwise reports a folder as EISDIR and
// anything else (a device, a FIFO) as notRegular, and returns false.
bool IsRegularFileOrReport(const std::string& file, unsigned mode, const char* notRegular);

// A line without a file: command-line mistakes.
void ReportUsageError(const char* what);

}  // namespace ZORVANE
