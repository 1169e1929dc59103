// The maker's one temporary file, created with mkstemp and removed when the
// process is interrupted (Ctrl-C, a build system's SIGTERM), so that no
// half-written file is left behind.
#pragma once

#include <string>

namespace ZORVANE {

// Creates a file from pathTemplate (ending in "XXXXXX"), puts its name in
// path and returns its descriptor, or -1 with errno set. Until
// ForgetTemporaryFile, SIGINT, SIGTERM, SIGHUP and SIGQUIT remove it before
// the process ends as the signal asks.
int CreateTemporaryFile(const std::string& pathTemplate, std::string& path);

// The file was moved or removed: a signal must not remove anything now.
void ForgetTemporaryFile();

}  // namespace ZORVANE
